"""What the desktop tests share: the program on a copy of the samples, its windows as the X server has
them, the mouse and keyboard, and the accessibility tree. Only run inside desktop_session.py."""

import argparse
import ctypes
import ctypes.util
import os
import re
import shutil
import signal
import struct
import subprocess
import tempfile
import time

import pyatspi  # Debian's, which only Debian's own /usr/bin/python3 can import

MANAGER = "Ostrel Portrait Manager"
ABOUT = "About Ostrel Portrait Manager"
GALLERY = "Ostrel Portrait Manager Browser"
LARGE_VIEW = "Large View"


class Failure(Exception):
    pass


def poll(probe, timeout=3.0, interval=0.05):
    """The first true answer of probe() within timeout, else its last answer."""
    deadline = time.monotonic() + timeout
    while not (answer := probe()) and time.monotonic() < deadline:
        time.sleep(interval)
    return answer


def run(*argv, check=False):
    argv = list(map(str, argv))
    try:
        done = subprocess.run(argv, capture_output=True, text=True, timeout=15)
    except subprocess.TimeoutExpired:
        raise Failure(f"{' '.join(argv)} hung for 15 s") from None
    if check and done.returncode:
        raise Failure(f"{' '.join(argv)} failed: {done.stderr.strip()}")
    return done.stdout


def windows(title):
    pattern = "^" + re.sub(r"([.^$*+?()\[\]{}|\\])", r"\\\1", title) + "$"
    return [int(w) for w in run("xdotool", "search", "--onlyvisible", "--name", pattern).split()]


def window(title):
    found = poll(lambda: windows(title))
    if len(found) != 1:
        raise Failure(f"{len(found)} windows titled {title!r}, expected one")
    return found[0]


def prop(w, name):
    return run("xprop", *(["-root"] if w is None else ["-id", w]), "-notype", name).partition("=")[2]


def numbers(w, name):
    return [int(n) for n in re.findall(r"-?\d+", prop(w, name))]


def work_area():
    return tuple(numbers(None, "_NET_WORKAREA")[:4])


def placement(w):
    """The frame openbox draws round the window, (x, y, width, height), and the client area's size."""
    info = dict(re.findall(r"^\s*(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)", run("xwininfo", "-id", w), re.M))
    x, y, width, height = (int(info[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    left, right, top, bottom = numbers(w, "_NET_FRAME_EXTENTS")
    return (x - left, y - top, width + left + right, height + top + bottom), (width, height)


def settled(w):
    """The placement once it has stopped changing: openbox and the program may still be placing it."""
    seen = [None]

    def same():
        seen.append(placement(w))
        return seen.pop(0) == seen[0]

    poll(same, 3.0, 0.15)
    return seen[0]


def maximised(w):
    return {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"} <= set(prop(w, "_NET_WM_STATE").replace(",", " ").split())


class Server:
    """A connection of our own to the X server, for what its command-line tools cannot do."""

    def __init__(self):
        self.x = ctypes.CDLL(ctypes.util.find_library("X11"))
        self.x.XOpenDisplay.restype = self.x.XInternAtom.restype = self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.display = ctypes.c_void_p(self.x.XOpenDisplay(None))
        self.event = ctypes.create_string_buffer(192)  # an XEvent

    def __enter__(self):
        return self

    def __exit__(self, *_):
        self.x.XCloseDisplay(self.display)

    def request_maximised(self, w, on):
        """Asks the window manager, as a taskbar does, to maximise the window or restore it."""
        atoms = [self.x.XInternAtom(self.display, name.encode(), 0) for name in
                 ("_NET_WM_STATE", "_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ")]
        # A ClientMessage from a pager or taskbar (2), which openbox always obeys.
        struct.pack_into("=i4xQi4xQQQi4x5q", self.event, 0, 33, 0, 0, 0, w, atoms[0], 32, int(on), *atoms[1:], 2, 0)
        root = ctypes.c_ulong(self.x.XDefaultRootWindow(self.display))
        self.x.XSendEvent(self.display, root, 0, ctypes.c_long(3 << 19), self.event)  # substructure notify/redirect
        self.x.XSync(self.display, 0)

    def watch(self, w):
        self.x.XSelectInput(self.display, ctypes.c_ulong(w), ctypes.c_long(1 << 17))  # structure notify
        self.x.XSync(self.display, 0)  # from here on no change slips by

    def sizes(self):
        """Every client area size the server gave the watched window since the last call."""
        self.x.XSync(self.display, 0)
        seen = []
        while self.x.XPending(self.display):
            self.x.XNextEvent(self.display, self.event)
            if struct.unpack_from("=i", self.event)[0] == 22:  # ConfigureNotify
                seen.append(struct.unpack_from("=ii", self.event, 56))
        return seen


def xdotool(*steps):
    run("xdotool", *steps, check=True)


def press(w, *keys):
    xdotool("windowactivate", "--sync", w)
    poll(lambda: run("xdotool", "getwindowfocus").split() == [str(w)])
    for key in keys:
        xdotool("key", "--delay", 30, key)


def click(x, y, count=1):
    xdotool("mousemove", x, y, "sleep", 0.15, "click", "--repeat", count, "--delay", 80, 1)


def drag(x0, y0, dx, dy):
    # No --sync: it waits for the pointer to move, forever when it is already there. A first small step
    # starts openbox's drag, then a few quick ones and a moment's stillness before letting go, as people do.
    path = ["mousemove", x0, y0, "sleep", 0.15, "mousedown", 1, "sleep", 0.1,
            "mousemove", x0 + (dx > 0) * 4 - 2, y0 + (dy > 0) * 4 - 2, "sleep", 0.2]
    for i in range(1, 5):
        path += ["mousemove", x0 + dx * i // 4, y0 + dy * i // 4]
    try:
        xdotool(*path, "sleep", 0.5)
    finally:
        xdotool("mouseup", 1)


class Program:
    """The program started in a copy of the samples, its manager window up."""

    def __init__(self, opts):
        self.folder = tempfile.mkdtemp(prefix="portraits-")
        shutil.copytree(opts.samples, self.folder, dirs_exist_ok=True)
        self.process = subprocess.Popen([opts.app], cwd=self.folder, env=dict(os.environ, QT_QPA_PLATFORM="xcb"),
                                        stdin=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + 30
        while not windows(MANAGER):
            if self.process.poll() is not None or time.monotonic() > deadline:
                self.close()
                raise Failure(f"no window titled {MANAGER!r} (program status {self.process.returncode})")
            # The program opens its About window by chance at start, and shows the manager when it closes.
            about = windows(ABOUT)
            if about and numbers(about[0], "_NET_FRAME_EXTENTS"):
                press(about[0], "Escape")
            time.sleep(0.1)
        self.manager = window(MANAGER)
        settled(self.manager)

    def back_to_normal(self):
        """Whether the next row can go on with this program: only the manager shows, unmaximised."""
        shown = [windows(title) for title in (MANAGER, ABOUT, GALLERY, LARGE_VIEW)]
        return self.process.poll() is None and shown == [[self.manager], [], [], []] and not maximised(self.manager)

    def close(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGTERM)
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                os.killpg(self.process.pid, signal.SIGKILL)
                self.process.wait()
        shutil.rmtree(self.folder, ignore_errors=True)


def children(node):
    return [child for child in map(node.getChildAtIndex, range(node.childCount)) if child is not None]


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def top_level(title):
    """The showing window `title` of the program, found on the accessibility bus."""
    def named(parent, name, showing):
        return next((n for n in children(parent) if n.name == name and (
            not showing or n.getState().contains(pyatspi.STATE_SHOWING))), None)

    # The program registers some time after its window shows.
    app = poll(lambda: named(pyatspi.Registry.getDesktop(0), MANAGER, False), 20.0, 0.25)
    node = app and poll(lambda: named(app, title, True), 5.0, 0.1)
    if not node:
        raise Failure(f"no showing window {title!r} in the accessibility tree")
    return node


def spoken(node):
    """What identifies a control to a screen reader user: its name, a combo box's labels (Qt names a
    combo box by its current text), a list item's list."""
    role = node.getRoleName()
    if role == "list item" and node.parent is not None:
        return spoken(node.parent)
    if role == "combo box":
        labels = [relation.getTarget(i).name for relation in node.getRelationSet()
                  if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                  for i in range(relation.getNTargets())]
        return " / ".join(labels) or f"unlabelled combo box {node.name!r}"
    return node.name


def control(title, name, role="push button"):
    found = [n for n in descendants(top_level(title)) if n.getRoleName() == role and spoken(n) == name]
    if not found:
        raise Failure(f"no {role} {name!r} in {title!r}")
    return found[0]


def run_table(rows):
    """Runs each (name, check, *args) row as check(program, *args), reports each and returns the exit
    status. Rows share one program while it stays on its manager window in the normal state."""
    parser = argparse.ArgumentParser()
    parser.add_argument("--app", type=os.path.abspath, required=True)
    parser.add_argument("--samples", type=os.path.abspath, required=True)
    opts, failed, program = parser.parse_args(), [], None
    for name, check, *args in rows:
        started = time.monotonic()
        try:
            program = program or Program(opts)
            check(program, *args)
            print(f"ok      {name}  ({time.monotonic() - started:.1f} s)", flush=True)
        except Exception as why:  # a bus or tool error fails the row, not the rows after it
            failed.append(name)
            print(f"FAILED  {name}: {why if isinstance(why, Failure) else repr(why)}", flush=True)
        # A row that failed may have left anything behind: the next one starts afresh.
        if program and (name in failed or not program.back_to_normal()):
            program.close()
            program = None
    if program:
        program.close()
    print(f"{len(rows) - len(failed)} of {len(rows)} passed", flush=True)
    return 1 if failed else 0
