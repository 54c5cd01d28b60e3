#!/usr/bin/env python3
"""Kills the real program with SIGKILL at random moments while it writes its
data files, and checks after every kill that each file is whole and decodes,
and that the next start finds everything written before the burst. The
previews (*.jpg) are decoded whole by ImageMagick's identify; a run that never
saw one fails, as it would prove nothing about them.

    tests/e2e/kill-durability.py path/to/lumivast path/to/world.json

LUMIVAST_KILL_ITERATIONS (default 15) sets the number of kills and
LUMIVAST_KILL_SEED the random seed (printed, so a failure can be replayed).
The seed is fixed unless given, so the tests replay the same kills each run;
scripts/kill-soak runs it with fresh seeds.
"""
import json
import os
import random
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time

exe, world = sys.argv[1], sys.argv[2]
iterations = int(os.environ.get("LUMIVAST_KILL_ITERATIONS", "15"))
seed = int(os.environ.get("LUMIVAST_KILL_SEED", "1729"))
print(f"kill-durability: seed {seed}, {iterations} kills", flush=True)
rng = random.Random(seed)

home = tempfile.mkdtemp(prefix="lumivast-kill-")
runtime = os.path.join(home, "runtime")
config = os.path.join(home, "config", "Lumivast")
data = os.path.join(home, "data", "Lumivast")
os.makedirs(runtime, mode=0o700)
os.makedirs(config)
with open(os.path.join(config, "defaults.json"), "w") as f:
    json.dump({"didShowOnboarding": True, "askToNameNewSpaces": False}, f)
env = dict(os.environ, HOME=home, XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=os.path.join(home, "config"),
           XDG_DATA_HOME=os.path.join(home, "data"), LUMIVAST_PLATFORM="sim", LUMIVAST_WORLD=world, QT_QPA_PLATFORM="offscreen",
           DBUS_SESSION_BUS_ADDRESS="")
socket_path = os.path.join(runtime, "lumivast.socket")


def fail(message):
    print(f"kill-durability: FAILED (seed {seed}): {message}", flush=True)
    log = os.path.join(home, "lumivast.log")
    if os.path.exists(log):
        print(open(log, errors="replace").read()[-4000:])
    sys.exit(1)


def start():
    log = open(os.path.join(home, "lumivast.log"), "w")
    program = subprocess.Popen([exe], env=env, stdout=log, stderr=subprocess.STDOUT)
    deadline = time.monotonic() + 15
    while time.monotonic() < deadline:
        if program.poll() is not None:
            fail(f"the program ended by itself with status {program.returncode}")
        # A killed instance leaves its socket file behind: ready means answering on it.
        try:
            with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
                s.connect(socket_path)
            if os.path.exists(os.path.join(data, "state.json")):
                return program
        except (FileNotFoundError, ConnectionRefusedError):
            pass
        time.sleep(0.02)
    program.kill()
    fail("the program did not start")


def send(url):
    """Hands a URL to the running instance as a second launch does."""
    with socket.socket(socket.AF_UNIX, socket.SOCK_STREAM) as s:
        s.settimeout(3)
        s.connect(socket_path)
        s.sendall(json.dumps({"url": url}, separators=(",", ":")).encode() + b"\n")
        s.recv(16)


def data_files(ending):
    for folder in (data, config):
        for root, _, names in os.walk(folder):
            for name in names:
                if name.endswith(ending):
                    yield os.path.join(root, name)


previews_seen = set()


def check_files(when):
    for path in data_files(".jpg"):
        # A warning (a picture cut short) is an error here.
        decoded = subprocess.run(["identify", "-regard-warnings", path], capture_output=True, text=True)
        if decoded.returncode != 0:
            fail(f"{when}: {os.path.relpath(path, home)} does not decode: {decoded.stderr.strip()}")
        previews_seen.add(os.path.basename(path))
    for path in data_files(".json"):
        try:
            with open(path, "rb") as f:
                json.loads(f.read().decode("utf-8"))
        except (ValueError, UnicodeDecodeError) as error:
            fail(f"{when}: {os.path.relpath(path, home)} does not decode: {error}")
    for folder in (data, config):
        for root, _, names in os.walk(folder):
            for name in names:
                if ".unreadable-" in name:
                    fail(f"{when}: a file was found unreadable and set aside: {name}")


def spaces_text():
    try:
        with open(os.path.join(data, "spaces.json"), encoding="utf-8") as f:
            return f.read()
    except FileNotFoundError:
        return ""


def wait_for(condition, seconds=3):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.01)
    return False


burst = [
    lambda i, n: f"lumivast://rename/2?name=Burst-{i}-{n}",
    lambda i, n: f"lumivast://note/3?text=note%20{i}%20{n}",
    lambda i, n: f"lumivast://switch/{1 + n % 3}",
    lambda i, n: "lumivast://save-layout",
    lambda i, n: f"lumivast://rename/3?name=Other-{i}-{n}",
    lambda i, n: "lumivast://save-space",
]

kept = None
try:
    for i in range(iterations):
        program = start()
        check_files(f"start {i}")
        if kept is not None and kept not in spaces_text():
            fail(f"start {i}: the name written before the last burst ({kept}) is gone")
        # Written and saved before the burst: this must survive whatever happens next.
        kept = f"Keep-{i}"
        send(f"lumivast://rename/1?name={kept}")
        if not wait_for(lambda: kept in spaces_text()):
            fail(f"round {i}: the rename before the burst was never saved")
        for n in range(rng.randrange(1, 12)):
            send(rng.choice(burst)(i, n))
        time.sleep(rng.uniform(0, 0.6))
        program.send_signal(signal.SIGKILL)
        program.wait()
        check_files(f"after kill {i}")
    program = start()
    check_files("last start")
    if kept not in spaces_text():
        fail(f"last start: {kept} is gone")
    program.terminate()
    program.wait(timeout=10)
    if not previews_seen:
        fail("no preview was ever written, so none was checked")
finally:
    shutil.rmtree(home, ignore_errors=True)
print(f"kill-durability: {iterations} kills, every file whole ({len(previews_seen)} previews decoded)", flush=True)
