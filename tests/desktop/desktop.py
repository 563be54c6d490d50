# What the desktop tests share: the program, its windows as the X server and the accessibility bus have them.
# Only run inside desktop_session.py, which gives us the X display and the bus.

import ctypes
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time

import pyatspi  # Debian's, which only Debian's own /usr/bin/python3 can import

MANAGER = "Ostrel Portrait Manager"
ABOUT = "About Ostrel Portrait Manager"
GALLERY = "Ostrel Portrait Manager Browser"
LARGE_VIEW = "Large View"


def poll(probe, timeout=3.0, interval=0.05):
    # The first true answer of probe() within timeout, else its last answer.
    deadline = time.monotonic() + timeout
    while not (answer := probe()) and time.monotonic() < deadline:
        time.sleep(interval)
    return answer


def run(*argv, check=True):
    done = subprocess.run(list(map(str, argv)), capture_output=True, text=True, timeout=15)
    assert not check or done.returncode == 0, f"{argv} failed: {done.stderr.strip()}"
    return done.stdout


def windows(title):
    pattern = "^" + re.sub(r"([.^$*+?()\[\]{}|\\])", r"\\\1", title) + "$"
    return [int(w) for w in run("xdotool", "search", "--onlyvisible", "--name", pattern, check=False).split()]


def window(title):
    found = poll(lambda: windows(title))
    assert len(found) == 1, f"{len(found)} windows titled {title!r}, expected one"
    return found[0]


def numbers(w, name):
    text = run("xprop", *(["-root"] if w is None else ["-id", w]), "-notype", name, check=False).partition("=")[2]
    return [int(n) for n in re.findall(r"-?\d+", text)]


def work_area():
    return tuple(numbers(None, "_NET_WORKAREA")[:4])


def maximised(w):
    state = run("xprop", "-id", w, "_NET_WM_STATE")
    return "_NET_WM_STATE_MAXIMIZED_VERT" in state and "_NET_WM_STATE_MAXIMIZED_HORZ" in state


def placement(w):
    # The frame openbox draws round the window, (x, y, width, height), and the client area's size.
    info = dict(re.findall(r"^\s*(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)", run("xwininfo", "-id", w), re.M))
    x, y, width, height = (int(info[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    left, right, top, bottom = numbers(w, "_NET_FRAME_EXTENTS")
    return (x - left, y - top, width + left + right, height + top + bottom), (width, height)


def settled(w):
    # The placement once it stops changing: openbox and the program may still be placing the window.
    seen = [None]

    def same():
        seen.append(placement(w))
        return seen.pop(0) == seen[0]

    poll(same, 3.0, 0.15)
    return seen[0]


# A connection of our own to the X server, for what its command-line tools cannot do.
X11 = ctypes.CDLL("libX11.so.6")
X11.XOpenDisplay.restype = X11.XInternAtom.restype = X11.XDefaultRootWindow.restype = ctypes.c_ulong
DISPLAY, EVENT = ctypes.c_void_p(X11.XOpenDisplay(None)), ctypes.create_string_buffer(192)  # an XEvent


def request_maximised(w, on):
    atoms = [X11.XInternAtom(DISPLAY, f"_NET_WM_STATE{s}".encode(), 0) 
             for s in ("", "_MAXIMIZED_VERT", "_MAXIMIZED_HORZ")]
    # A ClientMessage as a taskbar sends it (source 2), which openbox always obeys.
    struct.pack_into("=i4xQi4xQQQi4x5q", EVENT, 0, 33, 0, 0, 0, w, atoms[0], 32, int(on), *atoms[1:], 2, 0)
    X11.XSendEvent(DISPLAY, ctypes.c_ulong(X11.XDefaultRootWindow(DISPLAY)), 0, ctypes.c_long(3 << 19), EVENT)
    X11.XSync(DISPLAY, 0)


def watch(w):
    X11.XSelectInput(DISPLAY, ctypes.c_ulong(w), ctypes.c_long(1 << 17))  # StructureNotify
    sizes()  # from here on no change slips by, and none from before counts


def sizes():
    # The client area sizes the server gave the watched window since the last call.
    X11.XSync(DISPLAY, 0)
    seen = []
    while X11.XPending(DISPLAY):
        X11.XNextEvent(DISPLAY, EVENT)
        seen += [struct.unpack_from("=ii", EVENT, 56)] if struct.unpack_from("=i", EVENT)[0] == 22 else []
    return seen


def press(w, *keys):
    run("xdotool", "windowactivate", "--sync", w)
    poll(lambda: run("xdotool", "getwindowfocus").split() == [str(w)])
    for key in keys:
        run("xdotool", "key", "--delay", 30, key)


def click(x, y, count=1):
    run("xdotool", "mousemove", x, y, "sleep", 0.15, "click", "--repeat", count, "--delay", 80, 1)


def drag(x0, y0, dx, dy):
    # No --sync: it waits for the pointer to move, forever when it is already there. A first small step
    # starts openbox's drag, then a few quick ones and a moment's stillness before letting go, as people do.
    path = ["mousemove", x0, y0, "sleep", 0.15, "mousedown", 1, "sleep", 0.1,
            "mousemove", x0 + (dx > 0) * 4 - 2, y0 + (dy > 0) * 4 - 2, "sleep", 0.2]
    path += [step for i in range(1, 5) for step in ("mousemove", x0 + dx * i // 4, y0 + dy * i // 4)]
    try:
        run("xdotool", *path, "sleep", 0.5)
    finally:
        run("xdotool", "mouseup", 1)


class Program:
    # The program in a copy of the samples, its manager window up.
    def __init__(self, app, samples):
        self.folder = shutil.copytree(samples, tempfile.mkdtemp(), dirs_exist_ok=True)
        self.process = subprocess.Popen([app], cwd=self.folder, env=dict(os.environ, QT_QPA_PLATFORM="xcb"),
                                        stdin=subprocess.DEVNULL, start_new_session=True)

    def up(self):
        deadline = time.monotonic() + 30
        while not windows(MANAGER):
            assert self.process.poll() is None and time.monotonic() < deadline, f"no window {MANAGER!r} in 30 s"
            # The program opens its About window by chance at start, and shows the manager when it closes.
            about = windows(ABOUT)
            if about and numbers(about[0], "_NET_FRAME_EXTENTS"):
                press(about[0], "Escape")
                poll(lambda: not windows(ABOUT))
            time.sleep(0.1)
        self.manager = window(MANAGER)
        settled(self.manager)
        return self

    def back_to_normal(self):
        # Whether the next row can go on with this program: only the manager shows, unmaximised.
        shown = [windows(title) for title in (MANAGER, ABOUT, GALLERY, LARGE_VIEW)]
        return self.process.poll() is None and shown == [[self.manager], [], [], []] and not maximised(self.manager)

    def close(self):
        if self.process.poll() is None:
            os.killpg(self.process.pid, signal.SIGKILL)
            self.process.wait()
        shutil.rmtree(self.folder)


def children(node):
    return [child for child in map(node.getChildAtIndex, range(node.childCount)) if child is not None]


def descendants(node):
    for child in children(node):
        yield child
        yield from descendants(child)


def top_level(title):
    def named(parent, name, showing):
        return next((n for n in children(parent) if n.name == name and (
            not showing or n.getState().contains(pyatspi.STATE_SHOWING))), None)

    # The program registers on the bus some time after its window shows.
    app = poll(lambda: named(pyatspi.Registry.getDesktop(0), MANAGER, False), 20.0, 0.25)
    node = app and poll(lambda: named(app, title, True), 5.0, 0.1)
    assert node, f"no showing window {title!r} in the accessibility tree"
    return node


def spoken(node):
    # What identifies a control to a screen reader user: its name, a combo box's labels (Qt names a
    # combo box by its current text), a list item's list.
    role = node.getRoleName()
    if role == "list item" and node.parent is not None:
        return spoken(node.parent)
    if role == "combo box":
        return " / ".join(relation.getTarget(i).name for relation in node.getRelationSet()
                          if relation.getRelationType() == pyatspi.RELATION_LABELLED_BY
                          for i in range(relation.getNTargets())) or f"unlabelled combo box {node.name!r}"
    return node.name


def control(title, name, role="push button"):
    found = [n for n in descendants(top_level(title)) if n.getRoleName() == role and spoken(n) == name]
    assert found, f"no {role} {name!r} in {title!r}"
    return found[0]


def run_table(rows):
    # Runs each (name, check, *args) row as check(program, *args) and reports each. Rows share one
    # program while it stays on its manager window in the normal state.
    failed, program = [], None
    for name, check, *args in rows:
        try:
            program = program or Program(*map(os.path.abspath, sys.argv[1:3]))
            check(program.up(), *args)
            print(f"ok      {name}", flush=True)
        except Exception as why:  # a bus or tool error fails the row, not the rows after it
            failed.append(name)
            print(f"FAILED  {name}: {why if isinstance(why, AssertionError) else repr(why)}", flush=True)
        if program and (name in failed or not program.back_to_normal()):
            program.close()  # a row that failed may have left anything behind
            program = None
    print(f"{len(rows) - len(failed)} of {len(rows)} passed", flush=True)
    return 1 if failed else 0
