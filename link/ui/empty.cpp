// Keeps the Qt layer non-empty until the first widget lands.
