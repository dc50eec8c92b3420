#!/usr/bin/python3
"""What opening a large data file costs with the accessibility bridge on and off.

Started by bench/a11y-open inside xvfb-run and dbus-run-session. For each line count it opens a
generated data file of one quantity through "Načíst ze souboru" in the real merido, once with the
accessibility bridge off and once on (as for a person with a screen reader), driven the same way
both times: real clicks at positions found once through the accessibility bus, the file name typed.
It prints the time from the file dialog's Enter until the program is idle (its CPU time standing
still) and its peak resident memory, and the ratios of on to off.
"""

import os
import subprocess
import sys
import time
from pathlib import Path

WORK = Path(os.environ["BENCH_WORK"])
MERIDO = os.environ["MERIDO"]
IDLE_FOR = 2.0  # s without CPU time growing counts as idle
TICK = os.sysconf("SC_CLK_TCK")


def run(*args):
    return subprocess.run(args, check=True, capture_output=True, text=True).stdout


def await_(what, condition, timeout=60.0):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise RuntimeError("timed out waiting for " + what)
        time.sleep(0.05)


def write_file(path, lines):
    """`lines` currents one second apart from 1 Jan 2026, all of one quantity."""
    if path.exists() and path.stat().st_size > 0:
        return
    day0 = 0
    with open(path, "wb") as f:
        chunk = []
        for i in range(lines):
            s = i % 86400
            day = day0 + i // 86400
            month, mday = 1 + (day // 28) % 12, 1 + day % 28
            year = 2026 + day // (28 * 12)
            chunk.append(f"0x0A\t0x04\t{10 + (i % 500) / 100:.2f}\t0\t{mday:02d}.{month:02d}.{year}\t"
                         f"{s // 3600:02d}:{s // 60 % 60:02d}:{s % 60:02d} 0\r\n"
                         .replace(".", ",", 1))
            if len(chunk) == 10000:
                f.write("".join(chunk).encode())
                chunk = []
        f.write("".join(chunk).encode())


def cpu_seconds(pid):
    fields = Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / TICK


def peak_rss_mb(pid):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith("VmHWM:"):
            return int(line.split()[1]) / 1024
    return 0.0


def window_of(process):
    def found():
        out = subprocess.run(["xdotool", "search", "--onlyvisible", "--pid", str(process.pid),
                              "--name", "Merido"], capture_output=True, text=True).stdout.split()
        return out[0] if out else None

    return await_("the main window", found)


def window_origin(window):
    geometry = run("xdotool", "getwindowgeometry", "--shell", window)
    values = dict(line.split("=") for line in geometry.split())
    return int(values["X"]), int(values["Y"])


def start_merido(bridge):
    env = dict(os.environ, QT_QPA_PLATFORM="xcb")
    env.pop("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", None)
    if bridge:
        env.update(QT_ACCESSIBILITY="1", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    else:
        env["QT_ACCESSIBILITY"] = "0"
    log = open(WORK / "merido.log", "a")
    return subprocess.Popen([MERIDO], cwd=WORK / "run", env=env, stdout=log,
                            stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)


def stop(process):
    process.terminate()
    try:
        process.wait(timeout=20)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait()


def click_at(x, y):
    run("xdotool", "mousemove", "--sync", str(x), str(y), "click", "1")


def find_acc(name, role):
    """The showing object of that name and role, through the accessibility bus."""
    import pyatspi

    desktop = pyatspi.Registry.getDesktop(0)
    stack = [desktop.getChildAtIndex(i) for i in range(desktop.childCount)]
    while stack:
        node = stack.pop()
        if node is None:
            continue
        try:
            if node.name == name and node.getRole() == role and node.getState().contains(
                    pyatspi.STATE_SHOWING):
                return node
            if node.getRole() != pyatspi.ROLE_TABLE:
                stack.extend(node.getChildAtIndex(i) for i in range(node.childCount))
        except Exception:
            continue
    return None


def centre_of(node):
    import pyatspi

    e = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return e.x + e.width // 2, e.y + e.height // 2


def discover():
    """Positions of the Table tab and the open button relative to the window, read through the
    accessibility bus once; every measured run then clicks at them without the bus."""
    import pyatspi

    merido = start_merido(bridge=True)
    try:
        window = window_of(merido)
        wx, wy = window_origin(window)

        tab = centre_of(await_("the Tabulka tab", lambda: find_acc("Tabulka", pyatspi.ROLE_PAGE_TAB)))
        click_at(*tab)
        button = centre_of(await_("the open button", lambda: find_acc("Načíst ze souboru",
                                                                       pyatspi.ROLE_PUSH_BUTTON)))
        table = centre_of(await_("the table", lambda: find_acc("Naměřené hodnoty",
                                                                pyatspi.ROLE_TABLE)))
        return (tab[0] - wx, tab[1] - wy), (button[0] - wx, button[1] - wy), (table[0] - wx,
                                                                            table[1] - wy)
    finally:
        stop(merido)


def measure(lines, bridge, tab, button, grid, timeout):
    name = f"hodnoty-{lines}.PRN"
    listener = None
    if bridge:
        # A screen reader listens for events; without a listener the bridge sends few of them.
        listener = subprocess.Popen(["/usr/bin/python3", str(Path(__file__).with_name(
            "a11y_listener.py"))], stdout=subprocess.PIPE, text=True)
        await_("the listener", lambda: listener.stdout.readline().strip() == "listening")
    merido = start_merido(bridge)
    try:
        window = window_of(merido)
        await_("the program idle after start", lambda: idle(merido.pid, 1.0), timeout=60)
        wx, wy = window_origin(window)
        click_at(wx + tab[0], wy + tab[1])
        time.sleep(0.3)  # the page switch is drawn; nothing is measured yet
        if os.environ.get("BENCH_FOCUS_TABLE"):
            click_at(wx + grid[0], wy + grid[1])
        table = None
        if bridge:
            # As a screen reader (and the desktop stage) does: the table is looked at before.
            import pyatspi

            table = await_("the table", lambda: find_acc("Naměřené hodnoty", pyatspi.ROLE_TABLE))
            print(f"    (the table has {table.queryTable().nRows} rows before)", flush=True)
        click_at(wx + button[0], wy + button[1])
        dialog = await_("the file dialog", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--name", "Otevřít soubor"],
            capture_output=True, text=True).stdout.split())
        run("xdotool", "windowfocus", "--sync", dialog[0])
        run("xdotool", "key", "ctrl+a")
        run("xdotool", "type", "--delay", "10", name)
        cpu0 = cpu_seconds(merido.pid)
        t0 = time.monotonic()
        run("xdotool", "key", "Return")
        # Done: the progress dialog ("Čtení dat ze souboru", then "Čtení hodnot do tabulky") is
        # gone and the CPU time has not grown for IDLE_FOR seconds; the time is taken when the
        # last of the two happened. Much of the drawing is the X server's, so the dialog counts
        # as well as the program's own CPU time.
        last_cpu, last_change = cpu_seconds(merido.pid), time.monotonic()
        while True:
            now = time.monotonic()
            if now - t0 > timeout:
                return None, cpu_seconds(merido.pid) - cpu0, peak_rss_mb(merido.pid)
            cpu = cpu_seconds(merido.pid)
            if cpu - last_cpu > 0.02:
                last_cpu, last_change = cpu, now
            elif progress_showing():
                last_change = now
            elif now - last_change >= IDLE_FOR:
                break
            time.sleep(0.1)
        if table is not None:
            table.clearCache()
            rows = table.queryTable().nRows
            if rows != lines:
                print(f"    (the table shows {rows} rows, not {lines})", flush=True)
        if os.environ.get("BENCH_SHOTS"):
            subprocess.run(["import", "-window", "root", str(WORK / f"shot-{lines}-{bridge}.png")])
        return last_change - t0, last_cpu - cpu0, peak_rss_mb(merido.pid)
    finally:
        stop(merido)
        if listener is not None:
            listener.terminate()
            events = listener.stdout.read().strip()
            listener.wait()
            print(f"    (the listener heard {events} events)", flush=True)


def progress_showing():
    return subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Čtení"],
                          capture_output=True, text=True).stdout.strip() != ""


def idle(pid, seconds):
    before = cpu_seconds(pid)
    time.sleep(seconds)
    return cpu_seconds(pid) - before < 0.02


def main():
    counts = [int(a) for a in sys.argv[1:]] or [1_000_000, 2_000_000]
    timeout = float(os.environ.get("BENCH_TIMEOUT", "900"))
    subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    await_("the window manager", lambda: "window id" in subprocess.run(
        ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], capture_output=True, text=True).stdout)
    for lines in counts:
        write_file(WORK / "run" / f"hodnoty-{lines}.PRN", lines)
    tab, button, table = discover()
    print(f"{'lines':>9} {'bridge':>6} {'to idle s':>10} {'cpu s':>8} {'peak MB':>8}")
    for lines in counts:
        results = {}
        for bridge in (False, True):
            seconds, cpu, peak = measure(lines, bridge, tab, button, table, timeout)
            results[bridge] = (seconds, peak)
            shown = f"{seconds:10.2f}" if seconds is not None else f">{timeout:9.0f}"
            print(f"{lines:>9} {'on' if bridge else 'off':>6} {shown} {cpu:8.2f} {peak:8.1f}",
                  flush=True)
        (off_s, off_mb), (on_s, on_mb) = results[False], results[True]
        if off_s and on_s:
            print(f"{lines:>9}  ratio on/off: time {on_s / off_s:.2f}, peak memory "
                  f"{on_mb / off_mb:.2f}", flush=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
