#!/usr/bin/env python3
"""The shell roads into a running Lumivast, side by side.

Times, alternating in one run, a switch handed over as a URL (`lumivast
lumivast://switch/N`), the subcommand (`lumivast switch-space N`) and the same
intent called with `gdbus call`; on the real desktop also `wmctrl -s`. Each
road switches between desktops 2 and 3, so every command moves the desktop.

SETTING=sim (default): the built-in simulated desktop, offscreen; a road ends
when its command has exited (the simulated desktop switches inside the
running program as it handles the command). SETTING=x11: Xvfb with openbox;
a road ends when the root window shows the new desktop (`xprop -spy`).

Also reports the forwarding process's peak resident memory. Run by hand:
  bench/roads.py [rounds]        (LUMIVAST=path/to/lumivast to compare builds)
"""
import os
import queue
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
EXE = os.environ.get("LUMIVAST", os.path.join(ROOT, "build", "App", "lumivast"))
SETTING = os.environ.get("SETTING", "sim")
ROUNDS = int(sys.argv[1]) if len(sys.argv) > 1 else 20
BUS_NAME = "org.lumivast.Lumivast"


def bus_call(number):
    return ["gdbus", "call", "--session", "--dest", BUS_NAME, "--object-path", "/org/lumivast/Lumivast",
            "--method", "org.lumivast.Lumivast.Intents.SwitchSpace", f"'{number}'"]


def roads():
    listed = {
        "url": lambda n: [EXE, f"lumivast://switch/{n}"],
        "subcommand": lambda n: [EXE, "switch-space", str(n)],
        "gdbus": bus_call,
    }
    if SETTING == "x11":
        listed["wmctrl"] = lambda n: ["wmctrl", "-s", str(n - 1)]
    return listed


def wait_for(condition, seconds, what):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.05)
    sys.exit(f"roads: {what} did not happen within {seconds} s")


def has_owner(env):
    out = subprocess.run(["gdbus", "call", "--session", "--dest", "org.freedesktop.DBus", "--object-path",
                          "/org/freedesktop/DBus", "--method", "org.freedesktop.DBus.NameHasOwner", BUS_NAME],
                         env=env, capture_output=True, text=True)
    return "true" in out.stdout


class DesktopSpy:
    """Lines of `xprop -spy` on the root's current desktop, stamped when read."""

    def __init__(self, env):
        self.lines = queue.Queue()
        # xprop writes through stdio: line-buffered, each change arrives when it happens.
        self.process = subprocess.Popen(["stdbuf", "-oL", "xprop", "-root", "-spy", "_NET_CURRENT_DESKTOP"], env=env,
                                        stdout=subprocess.PIPE, text=True)
        threading.Thread(target=self.read, daemon=True).start()

    def read(self):
        for line in self.process.stdout:
            self.lines.put((time.monotonic(), line.strip()))

    def seen(self, index, timeout=5):
        deadline = time.monotonic() + timeout
        while True:
            stamp, line = self.lines.get(timeout=max(0.0, deadline - time.monotonic()))
            if line.endswith(f"= {index}"):
                return stamp


def main():
    if not os.access(EXE, os.X_OK):
        sys.exit(f"roads: {EXE} is not built")
    home = tempfile.mkdtemp(prefix="lumivast-roads-")
    env = dict(os.environ, HOME=home, XDG_DATA_HOME=f"{home}/data", XDG_CONFIG_HOME=f"{home}/config",
               XDG_RUNTIME_DIR=home)
    os.chmod(home, 0o700)
    # The welcome is not what is measured.
    os.makedirs(f"{home}/config/Lumivast")
    with open(f"{home}/config/Lumivast/defaults.json", "w") as defaults:
        defaults.write('{"didShowOnboarding": true}')
    helpers = []
    try:
        bus = subprocess.run(["dbus-daemon", "--session", "--fork", "--print-address=1", "--print-pid=1"],
                             env=env, capture_output=True, text=True, check=True).stdout.split()
        env["DBUS_SESSION_BUS_ADDRESS"], bus_pid = bus[0], int(bus[1])
        if SETTING == "x11":
            env.pop("LUMIVAST_PLATFORM", None)
            # A display number nobody uses, as the server itself finds it.
            reader, writer = os.pipe()
            helpers.append(subprocess.Popen(["Xvfb", "-displayfd", str(writer), "-screen", "0", "1280x800x24",
                                             "-nolisten", "tcp"], pass_fds=[writer], stderr=subprocess.DEVNULL))
            os.close(writer)
            with os.fdopen(reader) as number:
                env["DISPLAY"] = ":" + number.readline().strip()
            wait_for(lambda: subprocess.run(["xprop", "-root"], env=env, capture_output=True).returncode == 0, 10,
                     "Xvfb")
            helpers.append(subprocess.Popen(["openbox"], env=env, stderr=subprocess.DEVNULL))
            wait_for(lambda: b"_NET_SUPPORTING_WM_CHECK(WINDOW)" in
                     subprocess.run(["xprop", "-root"], env=env, capture_output=True).stdout, 10, "openbox")
            subprocess.run(["wmctrl", "-n", "4"], env=env, check=True)
        else:
            env.update(LUMIVAST_PLATFORM="sim", QT_QPA_PLATFORM="offscreen")
        program = subprocess.Popen([EXE], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        helpers.append(program)
        wait_for(lambda: has_owner(env), 20, "the program's bus name")
        time.sleep(2)  # launch work out of the way
        spy = DesktopSpy(env) if SETTING == "x11" else None
        if spy:
            helpers.append(spy.process)

        times = {name: [] for name in roads()}
        target = 2
        for _ in range(ROUNDS):
            for name, command in roads().items():
                target = 5 - target  # 2, 3, 2, ...
                start = time.monotonic()
                done = subprocess.run(command(target), env=env, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL)
                end = spy.seen(target - 1) if spy else time.monotonic()
                if done.returncode != 0:
                    sys.exit(f"roads: {name} failed ({done.returncode})")
                times[name].append((end - start) * 1000)
                time.sleep(0.05)

        bus_median = statistics.median(times["gdbus"])
        reference = statistics.median(times["wmctrl"]) if "wmctrl" in times else None
        print(f"roads ({SETTING}, {ROUNDS} rounds, medians from command start to the switch):")
        for name, samples in times.items():
            median = statistics.median(samples)
            line = f"  {name:<11} {median:6.1f} ms (min {min(samples):5.1f}, max {max(samples):6.1f})"
            line += f"  {median / bus_median:4.2f}x gdbus"
            if reference:
                line += f"  {median / reference:4.2f}x wmctrl"
            print(line)
        peaks = []
        for target in (2, 3, 2, 3, 2):
            measured = subprocess.run(["/usr/bin/time", "-f", "%M", EXE, f"lumivast://switch/{target}"], env=env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
            peaks.append(int(measured.stderr.strip().splitlines()[-1]) / 1024)
        print(f"  forwarding process peak memory: {statistics.median(peaks):.1f} MB (median of 5)")
    finally:
        for helper in reversed(helpers):
            helper.terminate()
            try:
                helper.wait(5)
            except subprocess.TimeoutExpired:
                helper.kill()
        if "bus_pid" in locals():
            os.kill(bus_pid, 15)
        shutil.rmtree(home, ignore_errors=True)


if __name__ == "__main__":
    main()
