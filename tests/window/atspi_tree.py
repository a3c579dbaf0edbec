#!/usr/bin/python3
"""Reads a running program's window through AT-SPI, as a screen reader does.

Usage: atspi_tree.py PID dump
         prints one line per element of the window: depth, role, name,
         description and whether it takes the focus;
       atspi_tree.py PID controls COUNT
         checks that there are COUNT controls that take the focus or show
         progress, that each has a name, and that no two share name and
         description;
       atspi_tree.py PID rows LIST NAME...
         waits until the list named LIST reads exactly the entries NAME...

Controls are the window's elements outside the lists; a list's rows are
its items (cells, list or tree items) other than its column headers, so the
check holds whichever item view shows the entries.
"""
import sys
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import Atspi, GLib  # noqa: E402

R = Atspi.Role
LISTS = {R.TABLE, R.TREE_TABLE, R.TREE, R.LIST, R.LIST_BOX}
HEADERS = {R.TABLE_COLUMN_HEADER, R.TABLE_ROW_HEADER, R.COLUMN_HEADER, R.ROW_HEADER}
# Elements that only hold others: a reader passes over them.
HOLDERS = {R.FRAME, R.WINDOW, R.FILLER, R.PANEL, R.APPLICATION}
TIMEOUT = 10.0


def fail(message):
    print(f"FAIL: {message}", file=sys.stderr)
    sys.exit(1)


def fresh(acc):
    # The reader caches what it was told; the lists change under it.
    acc.clear_cache()
    return acc


def children(acc):
    fresh(acc)
    for i in range(acc.get_child_count()):
        child = acc.get_child_at_index(i)
        if child is not None:
            yield child


def window_of(pid):
    """The program's top-level frame, once it is on the bus with its controls."""
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        desktop = fresh(Atspi.get_desktop(0))
        for app in children(desktop):
            try:
                if app.get_process_id() != pid:
                    continue
                for frame in children(app):
                    if frame.get_name() == "Quillmere Tandrovel" and frame.get_child_count() > 0:
                        return frame
            except GLib.Error:
                pass  # an application that is still starting or has gone
        time.sleep(0.2)
    fail(f"no window of process {pid} on the accessibility bus within {TIMEOUT:.0f} s")


def walk(acc, depth=0, in_list=False):
    """(depth, element, inside a list) for the element and all below it."""
    yield depth, acc, in_list
    below_list = in_list or acc.get_role() in LISTS
    for child in children(acc):
        yield from walk(child, depth + 1, below_list)


def focusable(acc):
    return acc.get_state_set().contains(Atspi.StateType.FOCUSABLE)


def describe(acc):
    return (acc.get_role_name(), acc.get_name() or "", acc.get_description() or "")


def dump(window):
    for depth, acc, _ in walk(window):
        role, name, description = describe(acc)
        focus = " focusable" if focusable(acc) else ""
        print(f"{'  ' * depth}{role} | {name!r} | {description!r}{focus}")


def check_controls(window, expected):
    seen = {}
    controls = 0
    for _, acc, in_list in walk(window):
        if in_list or acc.get_role() in HOLDERS:
            continue
        role, name, description = describe(acc)
        if not (focusable(acc) or acc.get_role() == R.PROGRESS_BAR):
            continue
        controls += 1
        if not name.strip():
            fail(f"a {role} has no name (description {description!r})")
        key = (name, description)
        if key in seen:
            fail(f"a {role} and a {seen[key]} are both read as {name!r}, {description!r}")
        seen[key] = role
    if controls != expected:
        fail(f"{controls} controls can be read, not {expected}")
    print(f"{controls} controls, each named and told apart")


def rows_of(view):
    names = []
    for _, acc, _ in walk(view):
        if acc is view or acc.get_role() in HEADERS or acc.get_child_count() > 0:
            continue  # the view itself, its headers, and rows that hold cells
        names.append(acc.get_name() or "")
    return names


def check_rows(window, list_name, expected):
    views = [acc for _, acc, _ in walk(window) if acc.get_role() in LISTS and acc.get_name() == list_name]
    if len(views) != 1:
        fail(f"{len(views)} lists are named {list_name!r}")
    deadline = time.monotonic() + TIMEOUT
    while True:
        rows = rows_of(views[0])
        if rows == expected:
            print(f"{list_name!r} reads its {len(rows)} entries")
            return
        if time.monotonic() > deadline:
            fail(f"{list_name!r} reads {rows}, not {expected}")
        time.sleep(0.2)


def main():
    if Atspi.init() < 0:
        fail("no accessibility bus")
    pid, mode = int(sys.argv[1]), sys.argv[2]
    window = window_of(pid)
    if mode == "dump":
        dump(window)
    elif mode == "controls":
        check_controls(window, int(sys.argv[3]))
    elif mode == "rows":
        check_rows(window, sys.argv[3], sys.argv[4:])
    else:
        fail(f"unknown mode {mode}")


if __name__ == "__main__":
    main()
