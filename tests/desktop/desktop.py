"""What the desktop tests share: the program on a copy of the samples, the X server's view of its
windows, the mouse and keyboard, and the accessibility tree. Only run inside desktop_session.py."""

import argparse
import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

MANAGER = "Ostrel Portrait Manager"
ABOUT = "About Ostrel Portrait Manager"
GALLERY = "Ostrel Portrait Manager Browser"
LARGE_VIEW = "Large View"
SKIPPED = 77


class Failure(Exception):
    pass


def options():
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", required=True)
    parser.add_argument("--samples", required=True)
    opts = parser.parse_args()
    opts.app, opts.samples = os.path.abspath(opts.app), os.path.abspath(opts.samples)
    return opts


def poll(probe, timeout=2.0, interval=0.05):
    """The first true answer of probe() within timeout, else its last answer."""
    deadline = time.monotonic() + timeout
    while True:
        answer = probe()
        if answer or time.monotonic() >= deadline:
            return answer
        time.sleep(interval)


def tool(*argv):
    try:
        return subprocess.run(argv, capture_output=True, text=True, timeout=15).stdout
    except subprocess.TimeoutExpired:
        raise Failure(f"{' '.join(map(str, argv))} hung for 15 s") from None



def windows(title):
    """Mapped windows whose title is exactly `title`."""
    pattern = "^" + re.sub(r"([.^$*+?()\[\]{}|\\])", r"\\\1", title) + "$"
    return [int(w) for w in tool("xdotool", "search", "--onlyvisible", "--name", pattern).split()]


def window(title, timeout=5.0):
    found = poll(lambda: windows(title), timeout)
    if len(found) != 1:
        raise Failure(f"expected one window titled {title!r}, found {len(found)}")
    return found[0]


def client(w):
    """(x, y, width, height) of the client area on the screen."""
    info = tool("xwininfo", "-id", str(w))
    values = dict(re.findall(r"^\s*(Absolute upper-left X|Absolute upper-left Y|Width|Height):\s+(-?\d+)", info, re.M))
    if len(values) != 4:
        raise Failure(f"window {w:#x} is gone")
    return tuple(int(values[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))


def cardinals(w, prop):
    text = tool("xprop", *(["-root"] if w is None else ["-id", str(w)]), "-notype", prop)
    return [int(n) for n in re.findall(r"-?\d+", text.partition("=")[2])]


def frame(w):
    """(x, y, width, height) of the window with the frame openbox draws around it."""
    extents = cardinals(w, "_NET_FRAME_EXTENTS")
    if len(extents) != 4:
        raise Failure(f"window {w:#x} has no _NET_FRAME_EXTENTS")
    left, right, top, bottom = extents
    x, y, width, height = client(w)
    return (x - left, y - top, width + left + right, height + top + bottom)


def work_area():
    return tuple(cardinals(None, "_NET_WORKAREA")[:4])


def wm_state(w):
    return tool("xprop", "-id", str(w), "-notype", "_NET_WM_STATE").partition("=")[2].replace(",", " ").split()


def settled(w, timeout=3.0):
    """The frame once it has stopped changing: openbox and the program may still be placing it."""
    last = [None]

    def still():
        now = frame(w)
        same, last[0] = now == last[0], now
        return now if same else None

    poll(still, timeout, 0.15)
    return last[0]


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class _Configure(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("event", ctypes.c_ulong), ("window", ctypes.c_ulong),
                ("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("above", ctypes.c_ulong), ("override_redirect", ctypes.c_int)]


class _Event(ctypes.Union):
    _fields_ = [("type", ctypes.c_int), ("xclient", _ClientMessage), ("xconfigure", _Configure),
                ("pad", ctypes.c_long * 24)]


CLIENT_MESSAGE, CONFIGURE_NOTIFY = 33, 22
STRUCTURE_NOTIFY, SUBSTRUCTURE_NOTIFY, SUBSTRUCTURE_REDIRECT = 1 << 17, 1 << 19, 1 << 20


class Connection:
    """A connection of our own to the X server, for what its command-line tools cannot do."""

    def __init__(self):
        x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
        pointer, window = ctypes.c_void_p, ctypes.c_ulong
        for name, result, args in [("XOpenDisplay", pointer, [ctypes.c_char_p]),
                                   ("XInternAtom", window, [pointer, ctypes.c_char_p, ctypes.c_int]),
                                   ("XDefaultRootWindow", window, [pointer]),
                                   ("XSendEvent", ctypes.c_int,
                                    [pointer, window, ctypes.c_int, ctypes.c_long, pointer]),
                                   ("XSelectInput", ctypes.c_int, [pointer, window, ctypes.c_long]),
                                   ("XSync", ctypes.c_int, [pointer, ctypes.c_int]),
                                   ("XPending", ctypes.c_int, [pointer]),
                                   ("XNextEvent", ctypes.c_int, [pointer, pointer]),
                                   ("XCloseDisplay", ctypes.c_int, [pointer])]:
            function = getattr(x11, name)
            function.restype, function.argtypes = result, args
        self.x11 = x11
        self.display = x11.XOpenDisplay(None)
        if not self.display:
            raise Failure("cannot open the X display")

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.x11.XCloseDisplay(self.display)

    def atom(self, name):
        return self.x11.XInternAtom(self.display, name.encode(), 0)

    def request_state(self, w, add, *states):
        """Asks the window manager, as a taskbar does, to add or remove _NET_WM_STATE_<state>s."""
        event = _Event()
        message = event.xclient
        message.type, message.window, message.format = CLIENT_MESSAGE, w, 32
        message.message_type = self.atom("_NET_WM_STATE")
        atoms = [self.atom("_NET_WM_STATE_" + state) for state in states] + [0]
        message.data[0], message.data[1], message.data[2] = int(add), atoms[0], atoms[1]
        message.data[3] = 2  # from a pager or taskbar, which openbox always obeys
        self.x11.XSendEvent(self.display, self.x11.XDefaultRootWindow(self.display), 0,
                            SUBSTRUCTURE_NOTIFY | SUBSTRUCTURE_REDIRECT, ctypes.byref(event))
        self.x11.XSync(self.display, 0)

    def watch(self, w):
        """From now on the sizes the server gives the window are kept for sizes()."""
        self.x11.XSelectInput(self.display, w, STRUCTURE_NOTIFY)
        # Once this returns, the server reports every change: none can slip by before the watch.
        self.x11.XSync(self.display, 0)

    def sizes(self):
        self.x11.XSync(self.display, 0)
        seen = []
        event = _Event()
        while self.x11.XPending(self.display):
            self.x11.XNextEvent(self.display, ctypes.byref(event))
            if event.type == CONFIGURE_NOTIFY:
                seen.append((event.xconfigure.width, event.xconfigure.height))
        return seen



def xdotool(*steps):
    argv = ["xdotool", *map(str, steps)]
    try:
        subprocess.run(argv, check=True, timeout=15)
    except subprocess.TimeoutExpired:
        raise Failure(f"{' '.join(argv)} hung for 15 s") from None
    except subprocess.CalledProcessError as why:
        raise Failure(f"{' '.join(argv)} failed with status {why.returncode}") from None


def activate(w):
    xdotool("windowactivate", "--sync", w)
    poll(lambda: tool("xdotool", "getwindowfocus").split() == [str(w)], 2.0)


def press(w, *keys):
    activate(w)
    for key in keys:
        xdotool("key", "--delay", 30, key)


def click(x, y, count=1):
    xdotool("mousemove", x, y, "sleep", 0.15, "click", "--repeat", count, "--delay", 80, 1)


def drag(start, end, steps=4):
    """Presses the left button at `start`, moves to `end` in a few quick steps and holds still there
    for a moment before letting go, as people do; the window manager ends the drag on the release."""
    (x0, y0), (x1, y1) = start, end
    # No --sync: it waits for the pointer to move, forever when it is already there. The first small
    # step starts openbox's drag; steps it had not seen by then would be lost to it.
    path = ["mousemove", x0, y0, "sleep", 0.15, "mousedown", 1, "sleep", 0.1,
            "mousemove", x0 + (2 if x1 > x0 else -2), y0 + (2 if y1 > y0 else -2), "sleep", 0.2]
    for i in range(1, steps + 1):
        path += ["mousemove", x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps]
    try:
        xdotool(*path, "sleep", 0.5)
    finally:
        xdotool("mouseup", 1)



class Program:
    """The program started in a copy of the samples, its manager window up."""

    def __init__(self, opts):
        self.folder = tempfile.mkdtemp(prefix="portraits-")
        shutil.copytree(opts.samples, self.folder, dirs_exist_ok=True)
        self.log = os.path.join(self.folder, "program.log")
        env = dict(os.environ, QT_QPA_PLATFORM="xcb")
        with open(self.log, "wb") as out:
            self.process = subprocess.Popen([opts.app], cwd=self.folder, env=env, stdin=subprocess.DEVNULL,
                                            stdout=out, stderr=subprocess.STDOUT, start_new_session=True)
        try:
            self.manager = self.wait_for_manager(timeout=30)
        except BaseException:
            self.close()
            raise

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.close()

    def alive(self):
        if self.process.poll() is not None:
            raise Failure(f"the program ended with status {self.process.returncode}: {self.output()}")

    def output(self):
        try:
            with open(self.log, errors="replace") as f:
                return f.read()[-2000:].strip()
        except OSError:
            return ""

    def wait_for_manager(self, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.alive()
            found = windows(MANAGER)
            if found:
                settled(found[0])
                return found[0]
            # The program opens its About window by chance at start and shows the manager when it closes.
            about = windows(ABOUT)
            if about and "_NET_FRAME_EXTENTS" in tool("xprop", "-id", str(about[0]), "_NET_FRAME_EXTENTS"):
                press(about[0], "Escape")
                poll(lambda: windows(MANAGER), 3.0)
                continue
            time.sleep(0.1)
        raise Failure(f"no window titled {MANAGER!r} within {timeout} s")

    def back_to_normal(self):
        """Whether the next row can go on with this program: only the manager shows, unmaximised."""
        if self.process.poll() is not None or windows(MANAGER) != [self.manager]:
            return False
        others = [t for t in (ABOUT, GALLERY, LARGE_VIEW) if windows(t)]
        return not others and not any("MAXIMIZED" in s or "FULLSCREEN" in s for s in wm_state(self.manager))

    def close(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(5)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)



def atspi():
    # Debian's python3-pyatspi, which only Debian's own /usr/bin/python3 can import.
    try:
        import pyatspi
    except ImportError as why:
        print(f"SKIPPED: pyatspi cannot be imported by {sys.executable}: {why}")
        sys.exit(SKIPPED)
    return pyatspi


def child_named(parent, name, timeout, what, showing=False):
    """The child of `parent` called `name` (and showing, if asked), once it appears within `timeout`."""
    pyatspi = atspi()

    def found():
        for i in range(parent.childCount):
            node = parent.getChildAtIndex(i)
            if node is not None and node.name == name and (
                    not showing or node.getState().contains(pyatspi.STATE_SHOWING)):
                return node
        return None

    node = poll(found, timeout, 0.25 if not showing else 0.1)
    if node is None:
        raise Failure(what)
    return node


def application(name=MANAGER, timeout=20.0):
    """The program's node on the accessibility bus; it registers some time after its window shows."""
    return child_named(atspi().Registry.getDesktop(0), name, timeout,
                       f"{name!r} did not register on the accessibility bus within {timeout} s")


def top_level(app, title, timeout=5.0):
    """The showing window of `app` named `title`."""
    return child_named(app, title, timeout, f"no showing window {title!r} in the accessibility tree", showing=True)


def descendants(node):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is not None:
            yield child
            yield from descendants(child)


def labelled_by(node):
    pyatspi = atspi()
    return [relation.getTarget(i).name for relation in node.getRelationSet()
            if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
            for i in range(relation.getNTargets())]


def spoken(node):
    """What identifies a control to a screen reader user: its name, a combo box's label (Qt names a
    combo box by its current text), a list item's list."""
    role = node.getRoleName()
    if role == "list item" and node.parent is not None:
        return spoken(node.parent)
    if role == "combo box":
        labels = labelled_by(node)
        return " / ".join(labels) if labels else f"unlabelled combo box {node.name!r}"
    return node.name


def control(window_node, name, role):
    for node in descendants(window_node):
        if node.getRoleName() == role and spoken(node) == name:
            return node
    raise Failure(f"no {role} {name!r} in {window_node.name!r}")


def centre_of(node):
    pyatspi = atspi()
    box = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    return box.x + box.width // 2, box.y + box.height // 2



def run_table(opts, rows):
    """Runs each (name, check, *args) row as check(program, *args), reports every one and returns the
    exit status. Rows share one program while it stays on its manager window in the normal state."""
    failed = []
    program = None
    try:
        for name, check, *args in rows:
            started = time.monotonic()
            try:
                if program is None:
                    program = Program(opts)
                check(program, *args)
                print(f"ok      {name}  ({time.monotonic() - started:.1f} s)", flush=True)
            except Exception as why:  # a bus or tool error fails the row, not the rows after it
                failed.append(name)
                print(f"FAILED  {name}: {why if isinstance(why, Failure) else repr(why)}", flush=True)
            # A row that failed may have left anything behind: the next one starts afresh.
            if program is not None and (name in failed or not program.back_to_normal()):
                program.close()
                program = None
    finally:
        if program is not None:
            program.close()
    passed = len(rows) - len(failed)
    print(f"{passed} of {len(rows)} passed" + ("; failed: " + "; ".join(failed) if failed else ""), flush=True)
    return 1 if failed else 0
