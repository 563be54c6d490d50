# The program's windows under a real window manager, measured on the X server: what the user drags,
# maximises and opens must end up where and as large as it should.

import sys
import time

import desktop
from desktop import ABOUT, GALLERY, MANAGER, placement, poll, settled, work_area

NORMAL = (681, 473)  # the manager's client area, which no drag changes for good


def press_button(title, caption):
    box = desktop.control(title, caption).queryComponent().getExtents(desktop.pyatspi.DESKTOP_COORDS)
    desktop.click(box.x + box.width // 2, box.y + box.height // 2)


def keeps_normal_size(program, dx=0, dy=0):
    # After a drag of the frame's corner by dx, dy (if any) the client area is the normal one within 3 s
    # and keeps it for a whole second: a window that goes on resizing itself flickers.
    w = program.manager
    (x, y, width, height), _ = settled(w)
    desktop.watch(w)
    if dx or dy:
        desktop.drag(x + width - 2, y + height - 2, dx, dy)
        poll(lambda: placement(w)[1] == NORMAL)
        # A drag that never resized the window missed the corner and proves nothing.
        assert any((size[0] - NORMAL[0]) * dx > 10 for size in desktop.sizes()), "the drag never resized the window"
    for _ in range(3):
        time.sleep(1.0)
        others = set(desktop.sizes()) - {NORMAL}
        if not others and placement(w)[1] == NORMAL:
            return
    raise AssertionError(f"the client area is {placement(w)[1]}, and changed to {sorted(others)} in the last second")


def by_title_bar(w, _on):
    (x, y, width, _), _ = placement(w)
    desktop.click(x + width // 2, y + desktop.numbers(w, "_NET_FRAME_EXTENTS")[2] // 2, count=2)


def maximised_and_back(program, title, toggle):
    # Maximised, the window's frame fills the work area; back, it is where and as large as before.
    if title == GALLERY:
        press_button(MANAGER, "Gallery")
    w = desktop.window(title)
    before = settled(w)
    for on in (True, False):
        toggle(w, on)
        now = lambda: (placement(w)[0] if on else placement(w), desktop.maximised(w))
        want = (work_area(), True) if on else (before, False)
        assert poll(lambda: now() == want), f"{'maximised' if on else 'back'}: {now()}, expected {want}"
        settled(w)


def about_centred(program):
    press_button(MANAGER, "About...")
    about = desktop.window(ABOUT)
    (x, y, width, height), _ = settled(about)
    ax, ay, aw, ah = work_area()
    # In half pixels: the centre of an odd size lies between two.
    off = (2 * x + width - 2 * ax - aw, 2 * y + height - 2 * ay - ah)
    assert max(map(abs, off)) <= 2, f"frame {(x, y, width, height)} is {off[0] / 2:+},{off[1] / 2:+} px off centre"
    desktop.press(about, "Escape")
    assert poll(lambda: not desktop.windows(ABOUT) and desktop.windows(MANAGER) == [program.manager]), "Escape failed"


ROWS = [
    ("manager opens with a 681x473 client area and keeps it", keeps_normal_size),
    *[(f"drag {n} of the corner outward snaps back", keeps_normal_size, 120, 90) for n in range(1, 6)],
    ("drag of the corner inward snaps back", keeps_normal_size, -120, -90),
    ("maximise and restore by _NET_WM_STATE", maximised_and_back, MANAGER, desktop.request_maximised),
    ("maximise and restore by title-bar double-click", maximised_and_back, MANAGER, by_title_bar),
    ("About window centred on the work area, Escape closes it", about_centred),
    ("gallery full screen and back by its button", maximised_and_back, GALLERY,
     lambda _, on: press_button(GALLERY, "Full Screen" if on else "Small Screen")),
    ("gallery full screen and back by F11", maximised_and_back, GALLERY, lambda w, _: desktop.press(w, "F11")),
]

if __name__ == "__main__":
    sys.exit(desktop.run_table(ROWS))
