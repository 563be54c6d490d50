"""desktop_session.py SCRIPT [ARGS...]: runs the script on an X display of its own under openbox, with a
session bus of its own, and ends whatever it started. Exits with its status, or 77 where no X server starts."""

import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
# Every process we start inherits this; the sweep at the end finds our leftovers by it and only by it.
MARKER = "OSTREL_DESKTOP_SESSION"
HERE = os.path.dirname(os.path.abspath(__file__))


def ours(work):
    needle = f"{MARKER}={work}\0".encode()
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/environ", "rb") as f:
                found += [int(pid)] if needle in f.read() and int(pid) != os.getpid() else []
        except OSError:
            pass
    return found


def end(pids):
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in pids:
            try:
                os.kill(pid, sig)
            except ProcessLookupError:
                pass
        deadline = time.monotonic() + 5
        while pids and time.monotonic() < deadline:
            try:  # as their reaper we collect the bus services that outlive the bus session
                while os.waitpid(-1, os.WNOHANG)[0]:
                    pass
            except ChildProcessError:
                pass
            pids = [pid for pid in pids if os.path.exists(f"/proc/{pid}")]
            time.sleep(0.05)


def session(work, xvfb_pid, script, args):
    env = {k: v for k, v in os.environ.items() if k not in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS",
                                                          "WAYLAND_DISPLAY", "XAUTHORITY", "SESSION_MANAGER")}
    for name in ("HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "TMPDIR"):
        env[name] = os.path.join(work, name)
        os.mkdir(env[name], 0o700)
    env.update({MARKER: work, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    log = os.path.join(work, "log")

    def start(argv, stdout=None, stderr=None):
        with open(log, "ab") as out:
            return subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=stdout or out,
                                    stderr=stderr or out, start_new_session=True)

    # Xvfb takes a free display number itself and writes it once it accepts connections.
    xvfb = start(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                 stdout=subprocess.PIPE)
    xvfb_pid.append(xvfb.pid)
    if not select.select([xvfb.stdout], [], [], 30)[0] or not (display := xvfb.stdout.readline().strip()):
        print("SKIPPED: no X server could be started: " + open(log).read()[-500:])
        return SKIPPED
    env["DISPLAY"] = ":" + display.decode()
    start(["openbox", "--sm-disable", "--config-file", os.path.join(HERE, "openbox-rc.xml")])
    # The tests measure frames: nothing may be mapped before openbox manages the screen.
    deadline = time.monotonic() + 30
    while b"window id" not in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                                             capture_output=True).stdout:
        if time.monotonic() > deadline:
            print("FAILED: openbox did not take the screen: " + open(log).read()[-500:])
            return 1
        time.sleep(0.1)
    test = start(["dbus-run-session", "--", sys.executable, script, *args], sys.stdout, sys.stderr)
    try:
        return test.wait(timeout=150)  # below CTest's timeout, so that we still clean up after a hung script
    except subprocess.TimeoutExpired:
        print(f"FAILED: {script} still running after 150 s")
        return 1


def main():
    missing = [t for t in ("Xvfb", "openbox", "dbus-run-session", "xdotool", "xwininfo", "xprop") if not shutil.which(t)]
    if missing:
        print("SKIPPED: not installed: " + " ".join(missing))
        return SKIPPED
    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, lambda signum, _: sys.exit(128 + signum))
    ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER: orphans of the session come to us
    work, xvfb = tempfile.mkdtemp(prefix="ostrel-desktop-"), []
    try:
        return session(work, xvfb, os.path.abspath(sys.argv[1]), sys.argv[2:])
    finally:
        # Xvfb last, so that none of its clients holds it up; ended by SIGTERM, it removes its lock.
        end([pid for pid in ours(work) if pid not in xvfb])
        end(xvfb)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
