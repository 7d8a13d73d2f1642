#!/usr/bin/env python3
"""Benchmark fixture: N sleeping processes of T threads each, under varied names.

    fixture.py start N T    start them (a keeper process stays their parent and reaps them)
    fixture.py churn RATE   start RATE short-lived processes a second (each lives 0.1 to 1.9 s,
                            with 1 to 4 threads) until stopped
    fixture.py stop         stop exactly those started, found by saved PID and start time
    fixture.py status       how many of them still run

Names carry spaces, parentheses, non-ASCII letters and run past 15 bytes. State lives in
$QUORVANE_FIXTURE_DIR, by default a folder under /tmp named after this checkout, so that fixtures
started from two checkouts on one machine never stop each other's processes.
"""
import hashlib
import json
import os
import random
import shutil
import signal
import subprocess
import sys
import time

CHECKOUT = hashlib.sha1(os.path.dirname(os.path.abspath(__file__)).encode()).hexdigest()[:12]
STATE_DIR = os.environ.get("QUORVANE_FIXTURE_DIR", f"/tmp/quorvane-fixture-{CHECKOUT}")
STATE = os.path.join(STATE_DIR, "state.json")
SOURCE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixture_sleeper.c")
NAMES = [
    "sleeper {}",
    "sleeper (paren) {}",
    "schläfer-ü-{}",
    "a sleeper whose name runs well past fifteen bytes {}",
    "plain{}",
]


def start_time(pid):
    """Field 22 of /proc/PID/stat, or None when the process is gone."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            text = f.read()
    except OSError:
        return None
    return int(text[text.rindex(b")") + 2:].split()[19])


def build_sleeper():
    binary = os.path.join(STATE_DIR, "sleeper")
    for flags in (["-static"], []):
        if subprocess.run(["cc", "-O2", "-pthread", *flags, SOURCE, "-o", binary],
                          stderr=subprocess.DEVNULL).returncode == 0:
            return binary
    sys.exit("fixture: cannot compile " + SOURCE)


def keeper(count, threads, binary, ready):
    """Starts the sleepers, saves who they are, then reaps them until none is left."""
    os.setsid()
    names = os.path.join(STATE_DIR, "names")
    os.makedirs(names, exist_ok=True)
    started = []
    for i in range(count):
        path = os.path.join(names, NAMES[i % len(NAMES)].format(i))
        if not os.path.exists(path):
            os.link(binary, path)
        pid = subprocess.Popen([path, str(threads)], stdin=subprocess.DEVNULL,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).pid
        started.append(pid)
    processes = [{"pid": pid, "start": start_time(pid)} for pid in started]
    with open(STATE + ".new", "w") as f:
        json.dump({"keeper": os.getpid(), "keeperStart": start_time(os.getpid()),
                   "processes": processes}, f)
    os.rename(STATE + ".new", STATE)
    os.write(ready, b"x")
    os.close(ready)
    while True:
        try:
            os.wait()
        except ChildProcessError:
            break
    os._exit(0)


def churner(rate, binary, ready):
    """Starts processes at the given rate and ends each after its lifetime, until SIGTERM."""
    os.setsid()
    quiet = os.open(os.devnull, os.O_RDWR)
    for fd in (0, 1, 2):
        os.dup2(quiet, fd)
    live = {}
    rng = random.Random(os.getpid())

    def end_all(*_):
        # The whole group: a process started just before the signal is not in `live` yet.
        os.killpg(0, signal.SIGKILL)

    signal.signal(signal.SIGTERM, end_all)
    with open(STATE + ".new", "w") as f:
        json.dump({"keeper": os.getpid(), "keeperStart": start_time(os.getpid()),
                   "processes": [], "churn": rate}, f)
    os.rename(STATE + ".new", STATE)
    os.write(ready, b"x")
    os.close(ready)
    period = 1.0 / rate
    due = time.monotonic()
    while True:
        now = time.monotonic()
        for pid, deadline in list(live.items()):
            if deadline <= now and deadline > 0:
                os.kill(pid, signal.SIGKILL)
                live[pid] = 0  # killed: reaped below once it has gone
        while live:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                break
            if pid == 0:
                break
            live.pop(pid, None)
        # On a machine too busy to keep up, starts are dropped rather than made up later, and
        # never more than two seconds' worth live at once.
        if now - due > 1.0:
            due = now
        while due <= now:
            due += period
            if len(live) >= 2 * rate:
                continue
            try:
                pid = os.posix_spawn(binary, [binary, str(rng.randint(1, 4))], os.environ)
            except OSError:
                continue  # out of processes for now: the machine comes first
            live[pid] = now + rng.uniform(0.1, 1.9)
        pending = [d for d in live.values() if d > 0]
        time.sleep(max(0.0, min([due] + pending) - time.monotonic()))


def in_background(run):
    """Forks run(binary, ready_fd) as the fixture's keeper and returns once it says it is ready."""
    if os.path.exists(STATE):
        sys.exit("fixture: already started; stop it first")
    os.makedirs(STATE_DIR, exist_ok=True)
    binary = build_sleeper()
    read_end, write_end = os.pipe()
    if os.fork() == 0:
        os.close(read_end)
        run(binary, write_end)
    os.close(write_end)
    os.read(read_end, 1)


def churn(rate):
    in_background(lambda binary, ready: churner(rate, binary, ready))
    print(f"fixture: churning {rate} processes a second")


def start(count, threads):
    in_background(lambda binary, ready: keeper(count, threads, binary, ready))
    print(f"fixture: {count} processes of {threads} threads started")


def ours(entry):
    return entry["start"] is not None and start_time(entry["pid"]) == entry["start"]


def load_state():
    """The saved state, or None (and says so) when nothing was started."""
    if not os.path.exists(STATE):
        print("fixture: nothing started")
        return None
    with open(STATE) as f:
        return json.load(f)


def stop():
    state = load_state()
    if state is None:
        return
    if "churn" in state:
        keeper = {"pid": state["keeper"], "start": state["keeperStart"]}
        if ours(keeper):
            os.kill(keeper["pid"], signal.SIGTERM)
        while ours(keeper):
            time.sleep(0.05)
        os.remove(STATE)
        print("fixture: churn stopped")
        return
    alive = [p for p in state["processes"] if ours(p)]
    for entry in alive:
        try:
            os.kill(entry["pid"], signal.SIGKILL)
        except ProcessLookupError:
            pass
    deadline = time.monotonic() + 60
    while any(ours(p) for p in alive) and time.monotonic() < deadline:
        time.sleep(0.05)
    os.remove(STATE)
    shutil.rmtree(os.path.join(STATE_DIR, "names"), ignore_errors=True)
    print(f"fixture: {len(alive)} processes stopped")


def status():
    state = load_state()
    if state is None:
        return
    print(f"fixture: {sum(ours(p) for p in state['processes'])} of "
          f"{len(state['processes'])} processes run")


def main(args):
    if len(args) == 3 and args[0] == "start":
        start(int(args[1]), int(args[2]))
    elif len(args) == 2 and args[0] == "churn":
        churn(int(args[1]))
    elif args == ["stop"]:
        stop()
    elif args == ["status"]:
        status()
    else:
        sys.exit(__doc__)


if __name__ == "__main__":
    main(sys.argv[1:])
