# desktop_checks.py window_manager|accessibility APP SAMPLES [DESKTOP]: the program's windows under a desktop's
# window manager (openbox unless named) on an X display, or under weston on Wayland, with a session bus of our
# own, as the X server measures them or as a screen reader meets them. Exits with 77 where the desktop cannot
# be had; ends whatever it started, however the checks end.

import contextlib, ctypes, os, re, select, shutil, signal, struct, subprocess, sys, tempfile, time  # noqa: E401

import pyatspi  # Debian's, which only Debian's own /usr/bin/python3 can import

MANAGER, ABOUT = "Ostrel Portrait Manager", "About Ostrel Portrait Manager"
GALLERY, LARGE_VIEW = "Ostrel Portrait Manager Browser", "Large View"
NORMAL = (681, 473)  # the manager's client area, which no drag changes for good
SCREEN = (1280, 1024)
DESKTOP = sys.argv[4] if len(sys.argv) > 4 else "openbox"
# Every process we start inherits this; the sweep at the end finds our leftovers by it and only by it.
MARKER = "OSTREL_DESKTOP_SESSION"


def poll(probe, timeout=10.0, interval=0.05):
    # The first true answer of probe() within timeout, else its last answer. Generous: a loaded machine
    # (a build beside the tests) can take seconds to hand over the focus.
    deadline = time.monotonic() + timeout
    while not (answer := probe()) and time.monotonic() < deadline:
        time.sleep(interval)
    return answer


def run(*argv, check=True):
    done = subprocess.run(list(map(str, argv)), capture_output=True, text=True, timeout=15)
    assert not check or done.returncode == 0, f"{argv} failed: {done.stderr.strip()}"
    return done.stdout


def windows(title):  # our titles hold none of a regular expression's special characters
    return [int(w) for w in run("xdotool", "search", "--onlyvisible", "--name", f"^{title}$", check=False).split()]


def window(title):
    assert len(found := poll(lambda: windows(title))) == 1, f"{len(found)} windows titled {title!r}, expected one"
    # Mapped is not yet framed: KWin may show a window a moment before it says how thick the frame is.
    assert poll(lambda: len(numbers(found[0], "_NET_FRAME_EXTENTS")) == 4), f"{title!r} never got a frame"
    return found[0]


numbers = lambda w, name: [int(n) for n in re.findall(r"-?\d+", run(
    "xprop", *(["-root"] if w is None else ["-id", w]), "-notype", name, check=False).partition("=")[2])]


maximised = lambda w: run("xprop", "-id", w, "_NET_WM_STATE").count("_NET_WM_STATE_MAXIMIZED_") == 2  # VERT, HORZ


def placement(w):
    # The frame openbox draws round the window, (x, y, width, height), and the client area's size.
    info = dict(re.findall(r"^\s*(Absolute upper-left [XY]|Width|Height):\s+(-?\d+)", run("xwininfo", "-id", w), re.M))
    x, y, width, height = (int(info[k]) for k in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"))
    left, right, top, bottom = numbers(w, "_NET_FRAME_EXTENTS")
    return (x - left, y - top, width + left + right, height + top + bottom), (width, height)


def settled(w):
    # The placement once it stops changing: openbox and the program may still be placing the window.
    seen = [placement(w)]
    poll(lambda: seen.append(placement(w)) or seen.pop(0) == seen[0], 3.0, 0.15)
    return seen[0]


# A connection of our own to the X server, for what its command-line tools cannot do; only inside the
# session, since outside it DISPLAY may name the user's own X server.
X11 = ctypes.CDLL("libX11.so.6")
X11.XOpenDisplay.restype = X11.XInternAtom.restype = X11.XDefaultRootWindow.restype = ctypes.c_ulong
DISPLAY = ctypes.c_void_p(X11.XOpenDisplay(None) if MARKER in os.environ else None)
EVENT = ctypes.create_string_buffer(192)  # an XEvent


def sizes():
    # The client area sizes the server gave the watched window (StructureNotify) since the last call.
    X11.XSync(DISPLAY, 0)
    while X11.XPending(DISPLAY):
        if not X11.XNextEvent(DISPLAY, EVENT) and struct.unpack_from("=i", EVENT)[0] == 22:  # ConfigureNotify
            yield struct.unpack_from("=ii", EVENT, 56)


def set_maximised(w, on):
    # As a task bar asks openbox: a client message to the root window, either way both directions.
    atom = lambda name: X11.XInternAtom(DISPLAY, f"_NET_WM_STATE{name}".encode(), 0)
    struct.pack_into("=i4xQi4xQQQi4x5q", EVENT, 0, 33, 0, 1, 0, w, atom(""), 32, int(on), atom("_MAXIMIZED_VERT"),
                     atom("_MAXIMIZED_HORZ"), 1, 0)  # ClientMessage
    root = ctypes.c_ulong(X11.XDefaultRootWindow(DISPLAY))
    X11.XSendEvent(DISPLAY, root, 0, ctypes.c_long(3 << 19), EVENT)  # SubstructureNotify and Redirect
    X11.XSync(DISPLAY, 0)  # so that openbox has it before whatever we send by another connection


def press(w, *keys):
    # Not --sync, which waits for ever where the window manager hands the focus to another window instead.
    run("xdotool", "windowactivate", w)
    poll(lambda: run("xdotool", "getwindowfocus").split() == [str(w)])
    run("xdotool", "key", "--delay", 30, *keys) if keys else None


def drag(x0, y0, dx, dy):
    # No --sync: it waits for the pointer to move, forever when it is already there. A first small step
    # starts openbox's drag, then a few quick ones and a moment's stillness before letting go, as people do.
    try:
        run("xdotool", "mousemove", x0, y0, "sleep", 0.15, "mousedown", 1, "sleep", 0.1, "mousemove",
            x0 + (dx > 0) * 4 - 2, y0 + (dy > 0) * 4 - 2, "sleep", 0.2,
            *[s for i in range(1, 5) for s in ("mousemove", x0 + dx * i // 4, y0 + dy * i // 4)], "sleep", 0.5)
    finally:
        run("xdotool", "mouseup", 1)


kids = lambda node: filter(None, map(node.getChildAtIndex, range(node.childCount)))


def descendants(node):
    return [n for child in kids(node) for n in (child, *descendants(child))]


def top_level(title):
    named = lambda parent, name, showing: next((n for n in kids(parent) if n.name == name and (
        not showing or n.getState().contains(pyatspi.STATE_SHOWING))), None)
    # The program registers on the bus some time after its window shows.
    app = poll(lambda: named(pyatspi.Registry.getDesktop(0), MANAGER, False), 20.0, 0.25)
    assert (node := app and poll(lambda: named(app, title, True), 5.0, 0.1)), f"no showing window {title!r} on the bus"
    return node


labels = lambda node: " / ".join(r.getTarget(i).name for r in node.getRelationSet()
                                if r.getRelationType() == pyatspi.RELATION_LABELLED_BY for i in range(r.getNTargets()))


# What identifies a control to a screen reader user: a list item's list, a combo box's labels (Qt names a
# combo box by its current text), else its name.
spoken = lambda node: spoken(node.parent) if node.getRoleName() == "list item" and node.parent else labels(
    node) if node.getRoleName() == "combo box" else node.name


def button(title, caption):
    assert (found := [n for n in descendants(top_level(title)) if n.getRoleName() == "push button" and spoken(
        n) == caption]), f"no push button {caption!r} in {title!r}"
    return found[0]


def press_button(title, caption):
    box = button(title, caption).queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    run("xdotool", "mousemove", box.x + box.width // 2, box.y + box.height // 2, "sleep", 0.15, "click", 1)


def keeps_normal_size(w, dx=0, dy=0):
    (x, y, width, height), _ = settled(w)
    X11.XSelectInput(DISPLAY, ctypes.c_ulong(w), ctypes.c_long(1 << 17))
    list(sizes())  # from here on no change slips by, and none from before counts
    if dx or dy:
        drag(x + width - 2, y + height - 2, dx, dy)
        # A drag that never resized the window missed the corner and proves nothing.
        assert any([(size[0] - NORMAL[0]) * dx > 10 for size in sizes()]), "the drag never resized the window"
    # Within 3 s the normal size, kept for a whole second: a window that goes on resizing itself flickers.
    assert poll(lambda: not time.sleep(1.0) and not set(sizes()) - {NORMAL} and placement(w)[1] == NORMAL, 3.0, 0), \
        f"the client area is {placement(w)[1]}, and did not keep {NORMAL} for a second"


def column_centred(manager):
    # The manager's buttons stand in a column down the middle of its client area, at whatever size.
    box = button(MANAGER, "Copy To -->").queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    (x, _, _, _), (width, _) = placement(manager)
    return abs(2 * (box.x - x - numbers(manager, "_NET_FRAME_EXTENTS")[0]) + box.width - width) <= 4  # half pixels


def fills_work_area(w):
    # The frame covers the work area, its borders at most a few pixels beyond the edges (icewm puts them
    # off the screen).
    (x, y, width, height), _ = placement(w)
    ax, ay, aw, ah = work_area()
    beyond = (ax - x, ay - y, x + width - ax - aw, y + height - ay - ah)
    return all(0 <= edge <= 8 for edge in beyond)


def maximised_and_back(manager, title, toggle):
    # Maximised, the window's frame fills the work area; back, it is where and as large as before.
    title == GALLERY and press_button(MANAGER, "Gallery")
    before = settled(w := window(title))[0]
    for on in (True, False):  # the frame's extents do not change, so its size gives the client area's
        toggle(w, on)
        want = (True, on, True)
        fills = lambda: fills_work_area(w) if on else placement(w)[0] == before
        seen = lambda: (fills(), maximised(w), title != MANAGER or column_centred(w))
        assert poll(lambda: seen() == want), f"frame {placement(w)[0]}, (fills, maximised, centred) {seen()}, " \
                                             f"expected {want}; work area {work_area()}, before {before}"
        settled(w)


def iconified_while(w, on):
    # The program learns the new size while it shows nothing, and lays the window out when it shows again.
    run("xdotool", "windowminimize", "--sync", w)
    set_maximised(w, on)
    run("xdotool", "windowactivate", "--sync", w)


def stacking():  # the windows openbox manages, from the bottom up
    return [int(n, 16) for n in re.findall(r"0x[0-9a-f]+", run("xprop", "-root", "_NET_CLIENT_LIST_STACKING"))]


def full_screen_over_large_view(w, on):
    # F11 with the large view open: it opened at the screen's top-left corner, and stays in front of the
    # maximised gallery when the gallery takes the focus from it.
    if on:
        press(w, "ctrl+l")
        assert (at := settled(window(LARGE_VIEW))[0][:2]) == (0, 0), f"the large view's frame is at {at}"
    else:
        for focus in (view := window(LARGE_VIEW), w):
            press(focus)
        assert poll(lambda: stacking().index(view) > stacking().index(w)), "the large view is behind the gallery"
    press(w, "F11")


def work_area():
    # Where a maximised frame goes: the work area, or the whole screen where the window manager names none.
    return tuple(numbers(None, "_NET_WORKAREA")[:4]) or (0, 0, *SCREEN)


def assert_centred(w):
    # The frame in the middle of the work area. Where the window manager draws no frame, the program waits a
    # moment for one before it centres the window.
    ax, ay, aw, ah = work_area()

    def off():  # in half pixels: the centre of an odd size lies between two
        (x, y, width, height), _ = placement(w)
        return (2 * x + width - 2 * ax - aw, 2 * y + height - 2 * ay - ah)
    settled(w)
    assert poll(lambda: max(map(abs, off())) <= 2, 3.0), \
        f"frame {placement(w)[0]} is {off()[0] / 2:+},{off()[1] / 2:+} px off centre"


def opens_centred(manager, caption=None, title=MANAGER, closing_key=None):
    # The manager at start, or a window opened by the manager's button; its key closes it.
    caption and press_button(MANAGER, caption)
    assert_centred(opened := window(title))
    if closing_key:
        press(opened, closing_key)
        assert poll(lambda: not windows(title) and windows(MANAGER) == [manager]), f"{closing_key} failed"


transient_for = lambda w: [int(n, 16) for n in re.findall(r"0x[0-9a-f]+", run(
    "xprop", "-id", w, "WM_TRANSIENT_FOR", check=False))]


def gallery_with_large_view():
    press_button(MANAGER, "Gallery")
    press(gallery := window(GALLERY), "ctrl+l")
    return gallery, window(LARGE_VIEW)


def large_view_belongs_to_the_gallery(_manager):
    # A tool window of the gallery: out of task bars and pagers, and transient for the gallery.
    gallery, view = gallery_with_large_view()
    state = run("xprop", "-id", view, "_NET_WM_STATE")
    seen = ("_NET_WM_STATE_SKIP_TASKBAR" in state, transient_for(view))
    assert seen == (True, [gallery]), f"skips the task bar, transient for: {seen}; the gallery is {gallery}"
    press(gallery, "ctrl+x")


def keys_from_the_large_view(_manager):
    # The gallery's menu keys work while its large view has the focus.
    gallery, view = gallery_with_large_view()
    for on in (True, False):
        press(view, "ctrl+f")
        assert poll(lambda: maximised(gallery) == on), f"Ctrl+F in the large view left the gallery maximised={not on}"
    press(view, "ctrl+l")
    assert poll(lambda: not windows(LARGE_VIEW)), "Ctrl+L in the large view did not close it"
    press(gallery, "ctrl+l")
    press(window(LARGE_VIEW), "ctrl+x")
    assert poll(lambda: not windows(GALLERY) and not windows(LARGE_VIEW)), "Ctrl+X in the large view left the gallery"


def hidden_and_shown_in_place(manager):
    # The manager hides while About and the gallery show, and comes back where it was.
    before = settled(manager)[0]
    for button_caption, title, key in (("About...", ABOUT, "Escape"), ("Gallery", GALLERY, "ctrl+x")):
        press_button(MANAGER, button_caption)
        press(window(title), key)
        assert poll(lambda: windows(MANAGER) == [manager]), f"the manager did not come back after {title!r}"
        assert (after := settled(manager)[0]) == before, f"after {title!r} the manager's frame is {after}, was {before}"


# Per window, its controls as "role: what it is called < what labels it". Combo boxes go by their labels,
# since Qt names them by their current text.
EXPECTED = {
    MANAGER: [f"frame: {MANAGER}", *[f"list: {side} {what}" for side in ("Source", "Destination") for what in (
              "portraits", "directories")], "image: Large preview", "image: Small preview",
              *[f"combo box: {name} < {name}" for name in ("Source drives", "Destination drives", "Gender", "Class")],
              # what a name goes to is labelled by the caption before it
              "label: Large target < Large:", "label: Small target < Small:", *[f"push button: {caption}" for caption in
                ("Gallery", "Copy To -->", "Move To -->", "-X- Delete -X-", "Rename", "Exit", "About...")]],
    ABOUT: [f"dialog: {ABOUT}", "push button: Continue"],
    GALLERY: [f"frame: {GALLERY}", "image: Portrait 1", "scroll bar: Rows of portraits", "image: Small preview",
              "push button: Full Screen", "menu item: Options"],
    LARGE_VIEW: [f"frame: {LARGE_VIEW}", "image: Large picture", "image: Small picture"],
}
TABS = ("Source drives|Source directories|Source portraits|-X- Delete -X-|Move To -->|Destination portraits|"
        "Destination directories|Destination drives|Exit|About...|Copy To -->|Gender|Class|Gallery|Rename").split("|")


def names_and_roles(_manager, title):
    # Opened as a screen reader user does, by the buttons' accessible Press action.
    if title != MANAGER:
        action = button(MANAGER, "About..." if title == ABOUT else "Gallery").queryAction()
        action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))
    title == LARGE_VIEW and press(window(GALLERY), "ctrl+l")
    node = top_level(title)
    found = [f"{n.getRoleName()}: {spoken(n)}" + (f" < {labels(n)}" if labels(n) else "")
             for n in [node, *descendants(node)]]
    missing = [row for row in EXPECTED[title] if row not in found]
    assert not missing, f"missing {missing}; the window has {sorted(set(found))}"


def tab_order(manager):
    def focused():  # the one control with the focus, if only one has it
        names = [spoken(n) for n in descendants(top_level(MANAGER))
                 if n.getRoleName() != "list item" and n.getState().contains(pyatspi.STATE_FOCUSED)]
        return names[0] if len(names) == 1 else None

    press(manager)
    heard = [poll(focused) or "(no focus)"]
    for _ in TABS:  # once round and back to the first control
        run("xdotool", "key", "Tab")
        heard.append(poll(lambda: (now := focused()) != heard[-1] and now) or "(no focus change)")
    assert heard == TABS + TABS[:1], f"the focus went {heard}, expected {TABS + TABS[:1]}"


def resized_by_another_program(w, dx, dy):
    # As a pager or a tiling script asks the window manager: the manager's size snaps back all the same.
    (x, y, width, height), _ = settled(w)
    run("xdotool", "windowsize", w, NORMAL[0] + dx, NORMAL[1] + dy)
    keeps_normal_size(w)


# Drags find the corner just inside the frame, where openbox and xfwm4 have a handle; mutter and KWin keep
# theirs outside it, where no frame extents tell.
DRAGS = [*[(f"drag {n} of the corner outward snaps back", keeps_normal_size, 120, 90) for n in range(1, 6)],
         ("drag of the corner inward snaps back", keeps_normal_size, -120, -90)]
OPENBOX_KEYS = [("maximise and restore by openbox's key", maximised_and_back, MANAGER, lambda w, _: press(w, "alt+F10"))]
TABLES = {
    "window_manager": [
        ("manager opens centred on the work area", opens_centred),
        ("manager opens with a 681x473 client area and keeps it", keeps_normal_size),
        *(DRAGS if DESKTOP in ("openbox", "xfwm4") else []),
        *(OPENBOX_KEYS if DESKTOP == "openbox" else []),
        ("resized by another program, snaps back", resized_by_another_program, 200, 100),
        ("maximise and restore as a task bar asks", maximised_and_back, MANAGER, set_maximised),
        ("maximise and restore by the window's state, iconified", maximised_and_back, MANAGER, iconified_while),
        ("hidden behind About and the gallery, shown in the same place", hidden_and_shown_in_place),
        ("About window centred on the work area, Escape closes it", opens_centred, "About...", ABOUT, "Escape"),
        ("gallery centred on the work area, Ctrl+X closes it", opens_centred, "Gallery", GALLERY, "ctrl+x"),
        ("gallery full screen by its button", maximised_and_back, GALLERY, lambda _, on: press_button(
            GALLERY, "Full Screen" if on else "Small Screen")),
        ("gallery full screen and back by F11, the large view in front", maximised_and_back, GALLERY,
         full_screen_over_large_view),
        ("the large view is the gallery's tool window", large_view_belongs_to_the_gallery),
        ("Ctrl+F, Ctrl+L and Ctrl+X from the large view", keys_from_the_large_view)],
    "accessibility": [*[(f"names and roles: {t}", names_and_roles, t) for t in EXPECTED], ("Tab order", tab_order)],
}


def checks(rows, app, samples):
    # Runs each (name, check, *args) row as check(manager window, *args) on the program in a copy of the
    # samples. Rows share one program while only its manager window shows, unmaximised. OSTREL_DESKTOP_ROWS, a
    # regular expression, picks rows by name to run alone.
    rows = [row for row in rows if re.search(os.environ.get("OSTREL_DESKTOP_ROWS", ""), row[0])]
    failed, process = [], None
    for name, check, *args in rows:
        try:
            process = process or subprocess.Popen(
                [app], cwd=shutil.copytree(samples, tempfile.mkdtemp(), dirs_exist_ok=True),
                env=dict(os.environ, QT_QPA_PLATFORM="xcb"), stdin=subprocess.DEVNULL, start_new_session=True)
            deadline = time.monotonic() + 30
            while not windows(MANAGER):
                assert process.poll() is None and time.monotonic() < deadline, f"no window {MANAGER!r} in 30 s"
                # The program opens its About window by chance at start, and shows the manager when it closes.
                if (about := windows(ABOUT)) and numbers(about[0], "_NET_FRAME_EXTENTS"):
                    press(about[0], "Escape")
                    poll(lambda: not windows(ABOUT))
                time.sleep(0.1)
            settled(manager := window(MANAGER))
            check(manager, *args)
            print(f"ok      {name}", flush=True)
        except Exception as why:  # a bus or tool error fails the row, not the rows after it
            failed.append(name)
            print(f"FAILED  {name}: {why if isinstance(why, AssertionError) else repr(why)}", flush=True)
        # A row that failed may have left anything behind; the session's folder holds the copies.
        if process and (name in failed or process.poll() is not None or maximised(manager) or [
                windows(title) for title in (MANAGER, ABOUT, GALLERY, LARGE_VIEW)] != [[manager], [], [], []]):
            process = end([process.pid])
    return print(f"{len(rows) - len(failed)} of {len(rows)} passed", flush=True) or int(bool(failed))


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


def ours(work):
    def has(pid):
        with contextlib.suppress(OSError), open(f"/proc/{pid}/environ", "rb") as f:
            return f"{MARKER}={work}\0".encode() in f.read()
    return [int(pid) for pid in filter(str.isdigit, os.listdir("/proc")) if has(pid)]


def start_x(env, start, tail, servers):
    # Xvfb takes a free display number itself and writes it once it accepts connections.
    servers.append(start(["Xvfb", "-displayfd", "1", "-screen", "0", "%dx%dx24" % SCREEN, "-nolisten", "tcp",
                          "-noreset"], subprocess.PIPE))
    if not select.select([servers[0].stdout], [], [], 30)[0] or not (display := servers[0].stdout.readline().strip()):
        return print("SKIPPED: no X server could be started: " + tail(500)) or 77
    env["DISPLAY"] = ":" + display.decode()
    # On a bus of its own, where it cannot offer the program another accessibility bus: xfwm4 reads its
    # settings through it, and mutter and KWin expect one.
    start(["dbus-run-session", "--", "env", "NO_AT_BRIDGE=1", "QT_LINUX_ACCESSIBILITY_ALWAYS_ON=0",
           *DESKTOPS[DESKTOP]])
    # The checks measure frames: nothing may be mapped before the window manager manages the screen.
    assert poll(lambda: b"window id" in subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=env,
                capture_output=True).stdout, 30, 0.1), f"{DESKTOP} did not take the screen: " + tail(500)


def start_weston(env, start, tail, servers):
    env["WAYLAND_DISPLAY"] = "wayland-ostrel"
    servers.append(start(DESKTOPS[DESKTOP]))
    socket = os.path.join(env["XDG_RUNTIME_DIR"], env["WAYLAND_DISPLAY"])
    if not poll(lambda: os.path.exists(socket) or servers[0].poll() is not None, 30, 0.1) or not os.path.exists(socket):
        return print("SKIPPED: weston could not be started: " + tail(500)) or 77


def session(work, servers):
    env = {k: v for k, v in os.environ.items() if k not in ("AT_SPI_BUS_ADDRESS", "XAUTHORITY", "SESSION_MANAGER")}
    env.update({MARKER: work, "QT_LINUX_ACCESSIBILITY_ALWAYS_ON": "1"}, **{n: tempfile.mkdtemp(dir=work) for n in (
        "HOME", "XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "TMPDIR")})
    log = open(os.path.join(work, "log"), "a+")
    tail = lambda n: log.seek(0) or log.read()[-n:]
    # Each in a session of its own: sharing ours, openbox lost the end of one drag in five or so.
    start = lambda argv, out=log: subprocess.Popen(argv, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=log,
                                                   start_new_session=True)
    if skipped := (start_weston if WAYLAND else start_x)(env, start, tail, servers):
        return skipped
    test = subprocess.Popen(["dbus-run-session", "--", sys.executable, *sys.argv], env=env, stderr=log)
    # Below CTest's timeout, so that we still clean up after hung checks.
    status = test.returncode if poll(lambda: test.poll() is not None, 150, 0.2) else "FAILED: still running after 150 s"
    if status:  # what the program, the bus and the window manager said, which may tell why
        print(tail(3000), status, flush=True)
    return status and 1


# The window managers of the desktops Debian ships, started as each desktop starts its own (Xfce's, GNOME's and
# KDE's on X11), and weston, a Wayland compositor, whose clients talk the protocol directly.
DESKTOPS = {
    "openbox": ["openbox", "--sm-disable", "--config-file", os.path.join(os.path.dirname(__file__), "openbox-rc.xml")],
    "xfwm4": ["xfwm4", "--replace", "--compositor=off", "--sm-client-disable"],
    "mutter": ["mutter", "--x11", "--replace", "--sm-disable"],
    "kwin": ["kwin_x11", "--replace"],
    "icewm": ["icewm"],
    "fluxbox": ["fluxbox"],
    "weston": ["weston", "--backend=headless-backend.so", "--socket=wayland-ostrel", "--idle-time=0",
               "--width=%d" % SCREEN[0], "--height=%d" % SCREEN[1]],
}
WAYLAND = DESKTOP == "weston"


def act(title, caption):
    # As a screen reader presses a button: by its accessible action, which needs no pointer and no X server.
    action = button(title, caption).queryAction()
    action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))


def size_on_bus(title):
    box = top_level(title).queryComponent().getExtents(pyatspi.WINDOW_COORDS)
    return box.width, box.height


def full_screen_and_back_on_wayland(process):
    # The compositor confirms each state before the program may take a size of its own; a size too soon
    # breaks the protocol and ends the program.
    act(MANAGER, "Gallery")
    normal = poll(lambda: size_on_bus(GALLERY))
    for caption, grown in (("Full Screen", True), ("Small Screen", False)):
        act(GALLERY, caption)
        assert poll(lambda: (size_on_bus(GALLERY)[0] > normal[0]) == grown), f"{caption}: {size_on_bus(GALLERY)}"
    assert poll(lambda: size_on_bus(GALLERY) == normal), f"back at {size_on_bus(GALLERY)}, was {normal}"
    # The compositor's answer to a size too soon comes a moment later.
    assert not poll(lambda: process.poll() is not None, 2.0), "the program ended"


def about_and_back_on_wayland(_process):
    act(MANAGER, "About...")
    act(ABOUT, "Continue")
    assert top_level(MANAGER), "the manager did not come back"


WAYLAND_ROWS = [("gallery full screen and back by its button", full_screen_and_back_on_wayland),
                ("About and back to the manager", about_and_back_on_wayland)]


def wayland_checks(rows, app, samples):
    # Each row on a program of its own, driven as a screen reader drives it: Wayland lets no other client
    # move the pointer or type.
    rows = [row for row in rows if re.search(os.environ.get("OSTREL_DESKTOP_ROWS", ""), row[0])]
    failed = []
    for name, check in rows:
        process = subprocess.Popen([app], cwd=shutil.copytree(samples, tempfile.mkdtemp(), dirs_exist_ok=True),
                                   env=dict(os.environ, QT_QPA_PLATFORM="wayland"), stdin=subprocess.DEVNULL,
                                   start_new_session=True)
        try:
            # The About window shows by chance at start; the manager once it closes.
            shows = lambda title: any(n.name == title and n.getState().contains(pyatspi.STATE_SHOWING)
                                      for a in kids(pyatspi.Registry.getDesktop(0)) if a.name == MANAGER for n in kids(a))
            assert poll(lambda: shows(MANAGER) or shows(ABOUT), 30, 0.25), "no window on the bus in 30 s"
            shows(ABOUT) and act(ABOUT, "Continue")
            check(process)
            assert process.poll() is None, "the program ended"
            print(f"ok      {name}", flush=True)
        except Exception as why:
            failed.append(name)
            print(f"FAILED  {name}: {why if isinstance(why, AssertionError) else repr(why)}", flush=True)
        end([process.pid])
    return print(f"{len(rows) - len(failed)} of {len(rows)} passed", flush=True) or int(bool(failed))


def main():
    if MARKER in os.environ:  # the second run, inside the session
        if WAYLAND:
            return wayland_checks(WAYLAND_ROWS, *map(os.path.abspath, sys.argv[2:4]))
        return checks(TABLES[sys.argv[1]], *map(os.path.abspath, sys.argv[2:4]))
    if missing := [p for p in ("Xvfb", DESKTOPS[DESKTOP][0]) if not shutil.which(p) and (p != "Xvfb" or not WAYLAND)]:
        return print(f"SKIPPED: {missing[0]} is not installed") or 77
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))  # and clean up on the way out
    ctypes.CDLL(None).prctl(36, 1, 0, 0, 0)  # PR_SET_CHILD_SUBREAPER: the session's orphans come to us
    work, servers = tempfile.mkdtemp(prefix="ostrel-desktop-"), []
    try:
        return session(work, servers)
    finally:
        # The display server last, so that none of its clients holds it up; ended by SIGTERM, Xvfb removes its lock.
        end([pid for pid in ours(work) if pid not in [x.pid for x in servers]])
        end([x.pid for x in servers])
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
