"""The program's windows under a real window manager, measured on the X server: what the user drags,
maximises and opens must end up where and as large as it should."""

import sys
import time

import desktop
from desktop import ABOUT, GALLERY, MANAGER, Failure, frame, client, poll, settled, work_area

NORMAL_CLIENT = (681, 473)


def client_size(w):
    return client(w)[2:]


def maximised(w):
    return {"_NET_WM_STATE_MAXIMIZED_VERT", "_NET_WM_STATE_MAXIMIZED_HORZ"} <= set(desktop.wm_state(w))


def expect_size(w, size, when):
    if not poll(lambda: client_size(w) == size):
        raise Failure(f"{when}: client area {client_size(w)}, expected {size}")


def expect_filling(w, when):
    area = work_area()
    if not poll(lambda: frame(w) == area):
        raise Failure(f"{when}: frame {frame(w)}, expected the work area {area}")


def holds_still(server, w, when, within=3.0):
    """Within `within` seconds the client area is the normal one and keeps it for a whole second: a
    window that goes on resizing itself flickers, and moves its frame's corner under the pointer."""
    deadline = time.monotonic() + within
    server.sizes()
    while True:
        time.sleep(1.0)
        others = sorted(set(server.sizes()) - {NORMAL_CLIENT})
        if not others and client_size(w) == NORMAL_CLIENT:
            return
        if time.monotonic() >= deadline:
            raise Failure(f"{when}: the client area still changes size after {within:.0f} s, to {others}")


def normal_size(program):
    with desktop.Connection() as server:
        server.watch(program.manager)
        expect_size(program.manager, NORMAL_CLIENT, "at start")
        holds_still(server, program.manager, "at start")


def drag_corner(program, dx, dy):
    w = program.manager
    x, y, width, height = settled(w)
    corner = (x + width - 2, y + height - 2)
    with desktop.Connection() as server:
        server.watch(w)
        desktop.drag(corner, (corner[0] + dx, corner[1] + dy))
        expect_size(w, NORMAL_CLIENT, f"after dragging the corner by {dx:+},{dy:+}")
        dragged = [size for size in server.sizes() if (size[0] - NORMAL_CLIENT[0]) * dx > 10]
        # A drag that never resized the window proves nothing, unless the window cannot be resized at all.
        resizable = "_NET_WM_ACTION_RESIZE" in desktop.tool("xprop", "-id", str(w), "_NET_WM_ALLOWED_ACTIONS")
        if resizable and not dragged:
            raise Failure(f"the drag from {corner} never resized the window: it missed the frame's corner")
        holds_still(server, w, "snapped back")


def by_state_request(w, on):
    with desktop.Connection() as server:
        server.request_state(w, on, "MAXIMIZED_VERT", "MAXIMIZED_HORZ")


def by_title_bar(w, _on):
    x, y, width, _ = frame(w)
    top = desktop.cardinals(w, "_NET_FRAME_EXTENTS")[2]
    desktop.click(x + width // 2, y + top // 2, count=2)


def maximise_and_restore(program, toggle):
    w = program.manager
    before = settled(w)
    toggle(w, True)
    if not poll(lambda: maximised(w)):
        raise Failure(f"the window did not maximise (state {desktop.wm_state(w)})")
    expect_filling(w, "maximised")
    toggle(w, False)
    if not poll(lambda: not maximised(w)):
        raise Failure("the window did not restore")
    expect_size(w, NORMAL_CLIENT, "restored")
    after = settled(w)
    if after[:2] != before[:2]:
        raise Failure(f"restored with its frame at {after[:2]}, it was at {before[:2]} before maximising")


def press_button(window_title, caption):
    node = desktop.control(desktop.top_level(desktop.application(), window_title), caption, "push button")
    desktop.click(*desktop.centre_of(node))


def about_centred(program):
    press_button(MANAGER, "About...")
    about = desktop.window(ABOUT)
    x, y, width, height = settled(about)
    ax, ay, aw, ah = work_area()
    off = (x + width / 2 - (ax + aw / 2), y + height / 2 - (ay + ah / 2))
    if max(map(abs, off)) > 1:
        time.sleep(1.0)
        raise Failure(f"frame {(x, y, width, height)} is {off[0]:+.1f},{off[1]:+.1f} px off the work area's centre "
                      f"(a second later: {frame(about)})")
    desktop.press(about, "Escape")
    if poll(lambda: desktop.windows(ABOUT)) or not poll(lambda: desktop.windows(MANAGER) == [program.manager]):
        raise Failure("Escape did not close the About window and bring the manager back")


def gallery_full_screen(program, toggle):
    press_button(MANAGER, "Gallery")
    gallery = desktop.window(GALLERY)
    before, size = settled(gallery), client_size(gallery)
    toggle(gallery, "Full Screen")
    expect_filling(gallery, "full screen")
    settled(gallery)
    toggle(gallery, "Small Screen")
    if not poll(lambda: frame(gallery) == before and client_size(gallery) == size):
        raise Failure(f"back from full screen: frame {frame(gallery)} client {client_size(gallery)}, "
                      f"it was {before} client {size}")


def full_screen_button(_gallery, caption):
    press_button(GALLERY, caption)


def f11_key(gallery, _caption):
    desktop.press(gallery, "F11")


ROWS = [
    ("manager opens with a 681x473 client area", normal_size),
    *[(f"drag {n} of the corner outward snaps back", drag_corner, 120, 90) for n in range(1, 6)],
    ("drag of the corner inward snaps back", drag_corner, -120, -90),
    ("maximise and restore by _NET_WM_STATE", maximise_and_restore, by_state_request),
    ("maximise and restore by title-bar double-click", maximise_and_restore, by_title_bar),
    ("About window centred on the work area, Escape closes it", about_centred),
    ("gallery full screen and back by its button", gallery_full_screen, full_screen_button),
    ("gallery full screen and back by F11", gallery_full_screen, f11_key),
]

if __name__ == "__main__":
    opts = desktop.options()
    desktop.atspi()
    sys.exit(desktop.run_table(opts, ROWS))
