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
         waits until the list named LIST reads exactly the entries NAME...;
       atspi_tree.py PID table LIST COUNT ROW=NAME...
         waits until the list named LIST holds COUNT rows, as a table and as
         children after its header, and reads row ROW (from 1) as NAME, by its
         position among the children and as the table's cell;
       atspi_tree.py PID selected LIST ROW NAME
         checks that row ROW of LIST, and it alone, is selected, reads NAME,
         and knows its place: "item ROW of COUNT";
       atspi_tree.py PID children LIST COUNT FORMAT SECONDS
         takes all COUNT rows of LIST as its children, then reads each
         name: row i must read FORMAT % i; takes them again and expects
         each row at the same object path; all within SECONDS;
       atspi_tree.py PID fill WINDOW TEXT
         sets the text of the focused field of the window named WINDOW to
         TEXT through AT-SPI: no key is typed, so the field's completer
         does not open;
       atspi_tree.py PID scatter COUNT
         reads COUNT rows spread over the program's first list, as a reader
         that wanders through a long list does (any top-level window).

A list's children past a few are printed by dump as their first rows, an
ellipsis and the last row: a list of a million names is read by position,
not walked.

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


def window_of(pid, name="Quillmere Tandrovel"):
    """The program's top-level window, once it is on the bus with its
    controls: the one named `name`, or with None the first."""
    deadline = time.monotonic() + TIMEOUT
    while time.monotonic() < deadline:
        desktop = fresh(Atspi.get_desktop(0))
        for app in children(desktop):
            try:
                if app.get_process_id() != pid:
                    continue
                for frame in children(app):
                    if (name is None or frame.get_name() == name) and frame.get_child_count() > 0:
                        return frame
            except GLib.Error:
                pass  # an application that is still starting or has gone
        time.sleep(0.2)
    fail(f"no window of process {pid} on the accessibility bus within {TIMEOUT:.0f} s")


SHOWN = 4  # rows a dump prints of a long list before the ellipsis


def walk(acc, depth=0, in_list=False, whole=True):
    """(depth, element, inside a list) for the element and all below it;
    unless `whole`, of a long list only its first children and its last,
    with None for the ones left out."""
    yield depth, acc, in_list
    below_list = in_list or acc.get_role() in LISTS
    if whole or acc.get_role() not in LISTS or fresh(acc).get_child_count() <= SHOWN + 2:
        for child in children(acc):
            yield from walk(child, depth + 1, below_list, whole)
        return
    count = acc.get_child_count()
    for i in list(range(SHOWN)) + [None, count - 1]:
        if i is None:
            yield depth + 1, None, True
        else:
            yield from walk(acc.get_child_at_index(i), depth + 1, True, whole)


def lists_of(acc):
    """The lists at or below `acc`, their rows not walked."""
    if acc.get_role() in LISTS:
        yield acc
        return
    for child in children(acc):
        yield from lists_of(child)


def list_named(window, name):
    views = [acc for acc in lists_of(window) if acc.get_name() == name]
    if len(views) != 1:
        fail(f"{len(views)} lists are named {name!r}")
    return views[0]


def headers(view):
    count = 0
    while count < view.get_child_count() and view.get_child_at_index(count).get_role() in HEADERS:
        count += 1
    return count


def focusable(acc):
    return acc.get_state_set().contains(Atspi.StateType.FOCUSABLE)


def describe(acc):
    return (acc.get_role_name(), acc.get_name() or "", acc.get_description() or "")


def dump(window):
    for depth, acc, _ in walk(window, whole=False):
        if acc is None:
            print(f"{'  ' * depth}...")
            continue
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


def check_table(window, list_name, count, rows):
    view = list_named(window, list_name)
    deadline = time.monotonic() + TIMEOUT
    while fresh(view).get_n_rows() != count:
        if time.monotonic() > deadline:
            fail(f"{list_name!r} holds {view.get_n_rows()} rows as a table, not {count}")
        time.sleep(0.2)
    first = headers(view)
    if view.get_child_count() != first + count:
        fail(f"{list_name!r} has {view.get_child_count()} children, not {count} rows after {first} headers")
    for row, name in rows:
        child = fresh(view.get_child_at_index(first + row - 1))
        cell = fresh(view.get_accessible_at(row - 1, 0))
        for how, acc in (("child", child), ("cell", cell)):
            if acc is None or acc.get_name() != name:
                fail(f"row {row} of {list_name!r} as a {how} reads {acc and acc.get_name()!r}, not {name!r}")
            if acc.get_index_in_parent() != first + row - 1:
                fail(f"row {row} of {list_name!r} says it is child {acc.get_index_in_parent()}")
    print(f"{list_name!r} holds {count} rows; " + ", ".join(f"row {r} reads {n!r}" for r, n in rows))


def check_selected(window, list_name, row, name):
    view = list_named(window, list_name)
    first = headers(view)
    deadline = time.monotonic() + TIMEOUT
    while list(fresh(view).get_selected_rows()) != [row - 1]:
        if time.monotonic() > deadline:
            fail(f"{list_name!r} has rows {list(view.get_selected_rows())} (from 0) selected, not {row - 1}")
        time.sleep(0.2)
    cell = fresh(view.get_accessible_at(row - 1, 0))
    states = cell.get_state_set()
    if not states.contains(Atspi.StateType.SELECTED):
        fail(f"row {row} of {list_name!r} does not read as selected")
    if cell.get_name() != name:
        fail(f"the selected row reads {cell.get_name()!r}, not {name!r}")
    index = cell.get_index_in_parent()
    if index != first + row - 1:
        fail(f"the selected row is child {index}, not {first + row - 1}")
    total = view.get_n_rows()
    focus = " and focused" if states.contains(Atspi.StateType.FOCUSED) else ""
    print(f"{list_name!r}: {name!r} selected{focus}, child {index}, item {index - first + 1} of {total}")


def check_children(window, list_name, count, name_format, bound):
    """As a client that walks a list does: every child first, then what each
    one says. The objects handed out must outlive the walk."""
    view = list_named(window, list_name)
    first = headers(fresh(view))
    if view.get_child_count() != first + count:
        fail(f"{list_name!r} has {view.get_child_count()} children, not {count} rows after {first} headers")
    start = time.monotonic()
    rows = [view.get_child_at_index(first + i) for i in range(count)]
    taken = time.monotonic()
    for i, row in enumerate(rows, 1):
        try:
            name = row.get_name()
        except GLib.Error as error:
            fail(f"row {i} of {count}, taken as a child, cannot be read: {error.message}")
        if name != name_format % i:
            fail(f"row {i} of {count}, taken as a child, reads {name!r}, not {name_format % i!r}")
    read = time.monotonic()
    fresh(view)
    moved = [i for i in range(count) if view.get_child_at_index(first + i).path != rows[i].path]
    if moved:
        fail(f"{len(moved)} rows are at a new path when taken again, row {moved[0] + 1} first")
    spent = time.monotonic() - start
    print(f"{list_name!r}: {count} children taken in {taken - start:.1f} s, read in {read - taken:.1f} s, "
          f"taken again at the same paths; {spent:.1f} s in all")
    if spent > bound:
        fail(f"taking and reading {count} children took {spent:.1f} s, more than {bound:g} s")


def fill(window, text):
    for _, acc, _ in walk(window):
        if acc.get_role() == R.TEXT and acc.get_state_set().contains(Atspi.StateType.FOCUSED):
            if not acc.set_text_contents(text):
                fail(f"{acc.get_name()!r} of {window.get_name()!r} does not take text")
            return
    fail(f"{window.get_name()!r} has no focused text field")


def scatter(window, count):
    view = next(lists_of(window), None)
    if view is None:
        fail("the window holds no list")
    total = fresh(view).get_n_rows()
    first = headers(view)
    start = time.monotonic()
    for i in range(count):
        row = (i * 7919) % total
        name = view.get_child_at_index(first + row).get_name()
        if not name:
            fail(f"row {row} reads nothing")
    print(f"read {count} rows of {total} in {time.monotonic() - start:.2f} s")


def main():
    if Atspi.init() < 0:
        fail("no accessibility bus")
    pid, mode = int(sys.argv[1]), sys.argv[2]
    if mode == "scatter":
        window = window_of(pid, None)
    else:
        window = window_of(pid, sys.argv[3] if mode == "fill" else "Quillmere Tandrovel")
    if mode == "dump":
        dump(window)
    elif mode == "controls":
        check_controls(window, int(sys.argv[3]))
    elif mode == "rows":
        check_rows(window, sys.argv[3], sys.argv[4:])
    elif mode == "table":
        rows = [(int(r), n) for r, n in (arg.split("=", 1) for arg in sys.argv[5:])]
        check_table(window, sys.argv[3], int(sys.argv[4]), rows)
    elif mode == "selected":
        check_selected(window, sys.argv[3], int(sys.argv[4]), sys.argv[5])
    elif mode == "children":
        check_children(window, sys.argv[3], int(sys.argv[4]), sys.argv[5], float(sys.argv[6]))
    elif mode == "fill":
        fill(window, sys.argv[4])
    elif mode == "scatter":
        scatter(window, int(sys.argv[3]))
    else:
        fail(f"unknown mode {mode}")


if __name__ == "__main__":
    main()
