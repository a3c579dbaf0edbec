#!/usr/bin/env bash
# The window as a screen reader reads it through AT-SPI: every control named
# and told apart from the others, the pending list's sample rows readable,
# and a list of 100,000 names loaded from a file read by position: its row
# count, rows far down, every row taken as a child and then read, and after
# End the last row as selected in its place.
# Then the list view's own accessibility event test, on the same buses.
# The test runs its own session bus; the accessibility bus is started on it
# as a desktop session starts it.
# Usage: accessibility_window.sh PROGRAM ARTEFACT_DIR [EVENT_TEST]
here=$(cd "$(dirname "$0")" && pwd)
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"

# Debian's python3, which python3-gi serves, whatever else is first on PATH.
tree() { timeout 30 /usr/bin/python3 "$here/atspi_tree.py" "$APP_PID" "$@"; }

source "$here/session_bus.sh"
trap 'cleanup; session_bus_stop' EXIT

xvfb_start
session_bus_start

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 app_start "$1"
tree dump >"$ARTEFACTS/tree.txt" || fail "the window cannot be read: $(cat "$ARTEFACTS/app.log")"
tree controls 13   # three lists, nine buttons, the progress bar

click_at 400 167   # "Load Sample/Example Data"
tree rows 'Domain(s)' www.tavrelle.com www.qorvintaxuplem.com www.zk4v9qx7m2trw8.com
tree dump >"$ARTEFACTS/tree-with-rows.txt"

close_expecting_exit "while read through AT-SPI"

names="$ARTEFACTS/names.txt"
awk 'BEGIN { for (i = 1; i <= 100000; ++i) printf "www.name%06d.example\r\n", i }' >"$names"
QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 app_start "$1"
click_at 400 132   # "Load Domains From File"
in_dialog '^Load List\(s\) - Hold Ctrl' "$names"
tree table 'Domain(s)' 100000 1=www.name000001.example 50001=www.name050001.example \
  100000=www.name100000.example
# A client that takes every row first and reads them after, as a screen
# reader that walks a list does: no row's object may go while its row is
# there. Python and D-Bus take most of the time: about 100 s here, four
# round trips a row.
timeout 400 /usr/bin/python3 "$here/atspi_tree.py" "$APP_PID" children 'Domain(s)' 100000 'www.name%06d.example' 240
click_at 100 55    # the pending list's first row
xdotool key End
tree selected 'Domain(s)' 100000 www.name100000.example
tree dump >"$ARTEFACTS/tree-100000.txt"
close_expecting_exit "with 100,000 names read through AT-SPI"

if [[ -n "${3:-}" ]]; then
  QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_QPA_PLATFORM=xcb "$3" >"$ARTEFACTS/events.log" 2>&1 ||
    fail "the list's accessibility events: $(grep -A3 -E 'FAIL|QWARN' "$ARTEFACTS/events.log" | head -40)"
fi
echo "accessibility: controls named and told apart, rows readable, 100,000 rows read by position"
