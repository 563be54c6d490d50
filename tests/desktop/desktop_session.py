"""Runs one desktop test script on a private X display, with openbox and a session bus of its own.

    desktop_session.py SCRIPT [ARGS...]

Exits with the script's status, or 77 (skipped) when no X server can be started here. Whatever it
started is ended and whatever it wrote is removed, however the script ends.
"""

import ctypes
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIPPED = 77
PR_SET_CHILD_SUBREAPER = 36
SCREEN = "1280x1024x24"
HERE = os.path.dirname(os.path.abspath(__file__))
# Below the CTest timeout, so that we and not CTest end a hung script and still clean up after it.
SCRIPT_TIMEOUT = 150
# Every process we start inherits this; the sweep at the end finds our leftovers by it and only by it.
MARKER = "OSTREL_DESKTOP_SESSION"

BUS_CONFIG = """<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>session</type>
  <listen>unix:dir={runtime}</listen>
  <standard_session_servicedirs/>
  <policy context="default">
    <allow send_destination="*" eavesdrop="true"/>
    <allow eavesdrop="true"/>
    <allow own="*"/>
  </policy>
</busconfig>
"""


class Unavailable(Exception):
    pass


def log_tail(path, lines=15):
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:]).strip()
    except OSError:
        return ""


class Session:
    def __init__(self):
        self.work = tempfile.mkdtemp(prefix="ostrel-desktop-")
        self.display = None
        self.xvfb = None
        self.children = []
        dirs = {name: os.path.join(self.work, name) for name in ("home", "runtime", "config", "cache", "data", "tmp")}
        for path in dirs.values():
            os.mkdir(path, 0o700)
        self.env = {k: v for k, v in os.environ.items()
                    if k not in ("DBUS_SESSION_BUS_ADDRESS", "AT_SPI_BUS_ADDRESS", "WAYLAND_DISPLAY",
                                 "XAUTHORITY", "SESSION_MANAGER", "DESKTOP_SESSION", "XDG_SESSION_TYPE")}
        # Everything the session's programs write goes below our folder, for every user we may run as.
        self.env.update(HOME=dirs["home"], XDG_RUNTIME_DIR=dirs["runtime"], XDG_CONFIG_HOME=dirs["config"],
                        XDG_CACHE_HOME=dirs["cache"], XDG_DATA_HOME=dirs["data"],
                        XDG_STATE_HOME=os.path.join(dirs["data"], "state"), TMPDIR=dirs["tmp"])
        self.env[MARKER] = self.work
        self.env["QT_LINUX_ACCESSIBILITY_ALWAYS_ON"] = "1"
        self.runtime = dirs["runtime"]

    def spawn(self, argv, log, **extra):
        with open(os.path.join(self.work, log), "ab") as out:
            process = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, stdout=out,
                                       stderr=subprocess.STDOUT, start_new_session=True, **extra)
        return process

    def start_display(self):
        if not shutil.which("Xvfb"):
            raise Unavailable("Xvfb is not installed")
        # Away from the numbers people use by hand. A server that loses the race for a number to
        # another one starting at the same time finds its lock taken and ends; we take the next.
        why = "every display from :20 to :99 is taken"
        for display in range(20, 100):
            if os.path.exists(f"/tmp/.X{display}-lock") or os.path.exists(f"/tmp/.X11-unix/X{display}"):
                continue
            log = f"xvfb-{display}.log"
            xvfb = self.spawn(["Xvfb", f":{display}", "-screen", "0", SCREEN, "-nolisten", "tcp", "-noreset"], log)
            probe_env = dict(self.env, DISPLAY=f":{display}")
            deadline = time.monotonic() + 15
            while xvfb.poll() is None and time.monotonic() < deadline:
                probe = subprocess.run(["xprop", "-root", "_NET_WORKAREA"], env=probe_env, capture_output=True)
                # The server that answers may be another one that won the number: ours holds the lock.
                if probe.returncode == 0 and lock_holder(display) == xvfb.pid and xvfb.poll() is None:
                    self.xvfb, self.display = xvfb, display
                    self.env["DISPLAY"] = f":{display}"
                    return
                time.sleep(0.1)
            if xvfb.poll() is None:
                self.end([xvfb.pid])
                xvfb.poll()
                raise Unavailable(f"Xvfb :{display} did not answer within 15 s: " +
                                  log_tail(os.path.join(self.work, log)))
            why = log_tail(os.path.join(self.work, log)) or f"Xvfb ended with status {xvfb.returncode}"
            if "already active" not in why and "Cannot establish" not in why:
                break
        raise Unavailable(why)

    def start_window_manager(self):
        openbox = self.spawn(["openbox", "--sm-disable", "--config-file", os.path.join(HERE, "openbox-rc.xml")],
                             "openbox.log")
        self.children.append(openbox)
        # The tests measure frames: nothing may be mapped before openbox manages the screen.
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            if openbox.poll() is not None:
                break
            probe = subprocess.run(["xprop", "-root", "-notype", "_NET_SUPPORTING_WM_CHECK"], env=self.env,
                                   capture_output=True, text=True)
            if "window id" in probe.stdout:
                return
            time.sleep(0.1)
        raise RuntimeError("openbox did not take the screen: " + log_tail(os.path.join(self.work, "openbox.log")))

    def run(self, script, args):
        config = os.path.join(self.work, "bus.conf")
        with open(config, "w") as f:
            f.write(BUS_CONFIG.format(runtime=self.runtime))
        argv = ["dbus-run-session", "--config-file", config, "--", sys.executable, script, *args]
        test = subprocess.Popen(argv, env=self.env, stdin=subprocess.DEVNULL, start_new_session=True)
        self.children.append(test)
        try:
            status = test.wait(timeout=SCRIPT_TIMEOUT)
        except subprocess.TimeoutExpired:
            print(f"FAILED: {os.path.basename(script)} still running after {SCRIPT_TIMEOUT} s", flush=True)
            status = 1
        if status not in (0, SKIPPED):
            self.describe_desktop()
        return status

    def describe_desktop(self):
        """A failure may be the desktop's and not the program's: say how the server and openbox fared."""
        for name, process, log in (("Xvfb", self.xvfb, f"xvfb-{self.display}.log"),
                                   ("openbox", self.children[0], "openbox.log")):
            state = "still running" if process.poll() is None else f"ended with status {process.returncode}"
            tail = log_tail(os.path.join(self.work, log), 5)
            print(f"{name} {state}" + (f"; its log ends: {tail}" if tail else ""), flush=True)

    def ours(self):
        """Processes that carry our marker: what we started and what those started in turn."""
        needle = f"{MARKER}={self.work}".encode() + b"\0"
        found = []
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if needle in f.read():
                        found.append(int(entry))
            except OSError:
                pass
        return found

    @staticmethod
    def end(pids, grace=3.0):
        for sig in (signal.SIGTERM, signal.SIGKILL):
            for pid in pids:
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            deadline = time.monotonic() + grace
            while time.monotonic() < deadline:
                reap()
                pids = [pid for pid in pids if os.path.exists(f"/proc/{pid}")]
                if not pids:
                    return
                time.sleep(0.05)

    def stop(self):
        xvfb = self.xvfb.pid if self.xvfb else None
        self.end([pid for pid in self.ours() if pid != xvfb])
        for child in self.children:
            child.poll()
        if self.xvfb:
            self.end([xvfb], grace=5.0)
            self.xvfb.poll()
            if self.display is not None:
                self.remove_display_files(xvfb)
        reap()
        shutil.rmtree(self.work, ignore_errors=True)

    def remove_display_files(self, pid):
        # Xvfb removes them when it ends on SIGTERM; after a SIGKILL they would block the display number.
        if lock_holder(self.display) != pid:
            return
        for path in (f"/tmp/.X{self.display}-lock", f"/tmp/.X11-unix/X{self.display}"):
            try:
                os.unlink(path)
            except OSError:
                pass


def lock_holder(display):
    try:
        with open(f"/tmp/.X{display}-lock") as f:
            return int(f.read().strip() or 0)
    except (OSError, ValueError):
        return None


def reap():
    """Collects every child that has ended, our own and the orphans handed to us as their reaper."""
    while True:
        try:
            pid, _ = os.waitpid(-1, os.WNOHANG)
        except ChildProcessError:
            return
        if pid == 0:
            return


def become_reaper():
    # The bus daemons and the accessibility services outlive the bus session that started them by a
    # moment; as their reaper we, not init, collect them, so that none is left when we end.
    libc = ctypes.CDLL(None, use_errno=True)
    libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)


def main():
    if len(sys.argv) < 2:
        print(__doc__)
        return 2
    missing = [tool for tool in ("openbox", "dbus-run-session", "xdotool", "xwininfo", "xprop")
               if not shutil.which(tool)]
    if missing:
        print("SKIPPED: not installed: " + ", ".join(missing))
        return SKIPPED

    def interrupted(signum, _frame):
        raise SystemExit(128 + signum)

    for sig in (signal.SIGTERM, signal.SIGINT, signal.SIGHUP):
        signal.signal(sig, interrupted)

    become_reaper()
    session = Session()
    try:
        try:
            session.start_display()
        except Unavailable as why:
            print(f"SKIPPED: no X server could be started: {why}")
            return SKIPPED
        session.start_window_manager()
        return session.run(os.path.abspath(sys.argv[1]), sys.argv[2:])
    finally:
        session.stop()


if __name__ == "__main__":
    sys.exit(main())
