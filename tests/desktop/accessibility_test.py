# The program as a screen reader meets it on the accessibility bus: what each window and control is
# called and what it is, and where Tab takes the focus in the manager window.

import sys

import desktop
from desktop import ABOUT, GALLERY, LARGE_VIEW, MANAGER, poll, pyatspi, spoken

# Per window, (accessible name, role) of itself and its controls. Combo boxes go by what they are
# labelled by, since Qt names them by their current text.
EXPECTED = {
    MANAGER: [(MANAGER, "frame"), ("Source portraits", "list"), ("Source directories", "list"),
              ("Source drives", "combo box"), ("Destination portraits", "list"), ("Destination directories", "list"),
              ("Destination drives", "combo box"), ("Large preview", "image"), ("Small preview", "image"),
              ("Gender", "combo box"), ("Class", "combo box"),
              *[(caption, "push button") for caption in
                ("Gallery", "Copy To -->", "Move To -->", "-X- Delete -X-", "Rename", "Exit", "About...")]],
    ABOUT: [(ABOUT, "dialog"), ("Continue", "push button")],
    GALLERY: [(GALLERY, "frame"), ("Portrait 1", "image"), ("Rows of portraits", "scroll bar"),
              ("Small preview", "image"), ("Full Screen", "push button"), ("Options", "menu item")],
    LARGE_VIEW: [(LARGE_VIEW, "frame"), ("Large picture", "image"), ("Small picture", "image")],
}

TAB_ORDER = ["Source drives", "Source directories", "Source portraits", "-X- Delete -X-", "Move To -->",
             "Destination portraits", "Destination directories", "Destination drives", "Exit", "About...",
             "Copy To -->", "Gender", "Class", "Gallery", "Rename"]


def names_and_roles(_program, title):
    # Opened as a screen reader user does, by the buttons' accessible Press action.
    if title != MANAGER:
        action = desktop.control(MANAGER, "About..." if title == ABOUT else "Gallery").queryAction()
        action.doAction([action.getName(i) for i in range(action.nActions)].index("Press"))
    if title == LARGE_VIEW:
        desktop.press(desktop.window(GALLERY), "ctrl+l")
    node = desktop.top_level(title)
    found = [(spoken(n), n.getRoleName()) for n in [node, *desktop.descendants(node)]]
    missing = [row for row in EXPECTED[title] if row not in found]
    assert not missing, f"missing {missing}; the window has {sorted(set(found))}"


def tab_order(program):
    from gi.repository import GLib

    window = desktop.top_level(MANAGER)
    desktop.press(program.manager)
    start = poll(lambda: [spoken(n) for n in desktop.descendants(window)
                          if n.getRoleName() != "list item" and n.getState().contains(pyatspi.STATE_FOCUSED)])
    heard, events = [start[0] if len(start) == 1 else f"(focus on {start})"], []

    def gained(event):
        if event.detail1:
            events.append(spoken(event.source))

    def next_control():
        GLib.MainContext.default().iteration(False)
        return next((name for name in events if name != heard[-1]), None)

    pyatspi.Registry.registerEventListener(gained, "object:state-changed:focused")
    for _ in TAB_ORDER:  # once round and back to the first control
        events.clear()
        desktop.run("xdotool", "key", "Tab")
        heard.append(poll(next_control, 3.0, 0.02) or "(no focus event)")
    pyatspi.Registry.deregisterEventListener(gained, "object:state-changed:focused")
    assert heard == TAB_ORDER + TAB_ORDER[:1], f"the focus went {heard}, expected {TAB_ORDER + TAB_ORDER[:1]}"


ROWS = [
    *[(f"names and roles: {title}", names_and_roles, title) for title in EXPECTED],
    ("Tab order of the manager window", tab_order),
]

if __name__ == "__main__":
    sys.exit(desktop.run_table(ROWS))
