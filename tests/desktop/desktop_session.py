# desktop_session.py SCRIPT APP SAMPLES: runs the script on an X display and a session bus of its own.
# Exits with the script's status, or 77 where no X server starts; ends whatever it started, however
# the script ends.

import contextlib
import ctypes
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

# Every process we start inherits this; the sweep at the end finds our leftovers by it and only by it.
MARKER = "OSTREL_DESKTOP_SESSION"


def ours(work):
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        with contextlib.suppress(OSError), open(f"/proc/{pid}/environ", "rb") as f:
            found += [int(pid)] if f"{MARKER}={work}\0".encode() in f.read() else []
    return found


def end(pids):
    for sig in (signal.SIGTERM, signal.SIGKILL):
        for pid in pids:
            with contextlib.suppress(ProcessLookupError):
                os.kill(pid, sig)
        deadline = time.monotonic() + 5
        while (pids := [pid for pid in pids if os.path.exists(f"/proc/{pid}")]) and time.monotonic() < deadline:
            with contextlib.suppress(ChildProcessError):  # as their reaper, we collect the bus's services
                os.waitpid(-1, os.WNOHANG)
            time.sleep(0.02)


def session(work, xvfb, script, args):
    env = {k: v for k, v in os.environ.items() if k not in ("AT_SPI_BUS_ADDRESS", "XAUTHORITY", "SESSION_MANAGER")}
    for name in ("HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "TMPDIR"):
        env[name] = os.path.join(work, name)
        os.mkdir(env[name], 0o700)
    env.update({MARKER: work, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"})
    log = open(os.path.join(work, "log"), "a+")
    # Each in a session of its own: sharing ours, openbox lost the end of one drag in five or so.
    start = lambda argv, out=log: subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=log,
                                                   start_new_session=True)
    # Xvfb takes a free display number itself and writes it once it accepts connections.
    xvfb.append(start(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset"],
                     subprocess.PIPE))
    if not select.select([xvfb[0].stdout], [], [], 30)[0] or not (display := xvfb[0].stdout.readline().strip()):
        print("SKIPPED: no X server could be started: " + (log.seek(0) or log.read()[-500:]))
        return 77
    env["DISPLAY"] = ":" + display.decode()
    start(["openbox", "--sm-disable", "--config-file", os.path.join(os.path.dirname(__file__), "openbox-rc.xml")])
    # The tests measure frames: nothing may be mapped before openbox manages the screen.
    deadline = time.monotonic() + 30
    while b"window id" not in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                                             capture_output=True).stdout:
        assert time.monotonic() < deadline, "openbox did not take the screen: " + (log.seek(0) or log.read()[-500:])
        time.sleep(0.1)
    test = subprocess.Popen(["dbus-run-session", "--", sys.executable, script, *args], env=env, stderr=log)
    try:
        status = test.wait(timeout=150)  # below CTest's timeout, so that we still clean up after a hung script
    except subprocess.TimeoutExpired:
        status = "FAILED: still running after 150 s"
    if status:  # what the program, the bus and openbox said, which may tell why
        print(log.seek(0) or log.read()[-3000:], status, flush=True)
    return status and 1


def main():
    if not shutil.which("Xvfb"):
        print("SKIPPED: Xvfb is not installed")
        return 77
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # and clean up on the way out
    ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER: the session's orphans come to us
    work, xvfb = tempfile.mkdtemp(prefix="ostrel-desktop-"), []
    try:
        return session(work, xvfb, os.path.abspath(sys.argv[1]), sys.argv[2:])
    finally:
        # Xvfb last, so that none of its clients holds it up; ended by SIGTERM, it removes its lock.
        end([pid for pid in ours(work) if pid not in [x.pid for x in xvfb]])
        end([x.pid for x in xvfb])
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
