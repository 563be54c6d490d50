"""The program as a screen reader meets it on the accessibility bus: what each window and control is
called and what it is, and where Tab takes the focus in the manager window."""

import sys

import desktop
from desktop import ABOUT, GALLERY, LARGE_VIEW, MANAGER, Failure, poll

# (window, accessible name, role). Qt names a combo box by its current text, so the combo boxes go by
# the label they are labelled by.
EXPECTED = [
    (MANAGER, MANAGER, "frame"),
    (MANAGER, "Source portraits", "list"),
    (MANAGER, "Source directories", "list"),
    (MANAGER, "Source drives", "combo box"),
    (MANAGER, "Destination portraits", "list"),
    (MANAGER, "Destination directories", "list"),
    (MANAGER, "Destination drives", "combo box"),
    (MANAGER, "Large preview", "image"),
    (MANAGER, "Small preview", "image"),
    (MANAGER, "Gender", "combo box"),
    (MANAGER, "Class", "combo box"),
    *[(MANAGER, caption, "push button")
      for caption in ("Gallery", "Copy To -->", "Move To -->", "-X- Delete -X-", "Rename", "Exit", "About...")],
    (ABOUT, ABOUT, "dialog"),
    (ABOUT, "Continue", "push button"),
    (GALLERY, GALLERY, "frame"),
    (GALLERY, "Portrait 1", "image"),
    (GALLERY, "Rows of portraits", "scroll bar"),
    (GALLERY, "Small preview", "image"),
    (GALLERY, "Full Screen", "push button"),
    (GALLERY, "Options", "menu item"),
    (LARGE_VIEW, LARGE_VIEW, "frame"),
    (LARGE_VIEW, "Large picture", "image"),
    (LARGE_VIEW, "Small picture", "image"),
]

TAB_ORDER = ["Source drives", "Source directories", "Source portraits", "-X- Delete -X-", "Move To -->",
             "Destination portraits", "Destination directories", "Destination drives", "Exit", "About...",
             "Copy To -->", "Gender", "Class", "Gallery", "Rename"]


def press(window_node, caption):
    """Presses a button as a screen reader does, through its accessible action."""
    action = desktop.control(window_node, caption, "push button").queryAction()
    names = [action.getName(i) for i in range(action.nActions)]
    if "Press" not in names:
        raise Failure(f"{caption!r} offers no Press action, only {names}")
    action.doAction(names.index("Press"))


def open_window(title):
    app = desktop.application()
    if title != MANAGER:
        press(desktop.top_level(app, MANAGER), "About..." if title == ABOUT else "Gallery")
    if title == LARGE_VIEW:
        desktop.press(desktop.window(GALLERY), "ctrl+l")
    return desktop.top_level(app, title)


def names_and_roles(_program, title):
    node = open_window(title)
    wrong = []
    for _, name, role in (row for row in EXPECTED if row[0] == title):
        if name == title:
            found = [node.getRoleName()]
        else:
            found = [n.getRoleName() for n in desktop.descendants(node) if desktop.spoken(n) == name]
        if role not in found:
            wrong.append(f"{name!r} is {' / '.join(found) or 'missing'}, expected {role}")
    if wrong:
        raise Failure("; ".join(wrong))


def tab_order(program):
    pyatspi = desktop.atspi()
    from gi.repository import GLib

    window = desktop.top_level(desktop.application(), MANAGER)
    desktop.activate(program.manager)

    def focused():
        return [desktop.spoken(n) for n in desktop.descendants(window)
                if n.getRoleName() != "list item" and n.getState().contains(pyatspi.STATE_FOCUSED)]

    start = poll(focused)
    heard = [start[0] if len(start) == 1 else f"(focus on {start})"]
    events = []

    def gained(event):
        if event.detail1:
            events.append(desktop.spoken(event.source))

    def next_control():
        GLib.MainContext.default().iteration(False)
        return any(name != heard[-1] for name in events)

    pyatspi.Registry.registerEventListener(gained, "object:state-changed:focused")
    try:
        # Once round and back to the first control.
        for _ in TAB_ORDER:
            events.clear()
            desktop.xdotool("key", "Tab")
            if not poll(next_control, 2.0, 0.02):
                heard.append("(no focus event)")
                break
            heard.append(next(name for name in events if name != heard[-1]))
    finally:
        pyatspi.Registry.deregisterEventListener(gained, "object:state-changed:focused")
    expected = TAB_ORDER + TAB_ORDER[:1]
    if heard != expected:
        step = next(i for i, (a, b) in enumerate(zip(heard + [None] * len(expected), expected)) if a != b)
        where = "the manager opened with the focus on" if step == 0 else f"Tab {step} went to"
        raise Failure(f"{where} {heard[step] if step < len(heard) else 'nothing'!r}, expected {expected[step]!r}; "
                      f"heard {heard}")


ROWS = [
    *[(f"names and roles: {title}", names_and_roles, title) for title in (MANAGER, ABOUT, GALLERY, LARGE_VIEW)],
    ("Tab order of the manager window", tab_order),
]

if __name__ == "__main__":
    opts = desktop.options()
    desktop.atspi()
    sys.exit(desktop.run_table(opts, ROWS))
