// Keeps the simulator library non-empty until the simulator lands.
