#!/usr/bin/env bash
# The window as a screen reader reads it through AT-SPI: every control named
# and told apart from the others, and the pending list's sample rows readable.
# The test runs its own session bus; the accessibility bus is started on it
# as a desktop session starts it.
# Usage: accessibility_window.sh PROGRAM ARTEFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"

# Debian's python3, which python3-gi serves, whatever else is first on PATH.
tree() { timeout 30 /usr/bin/python3 "$here/atspi_tree.py" "$APP_PID" "$@"; }

BUS_PID=""
runtime=$(mktemp -d)   # private (0700), as XDG_RUNTIME_DIR must be
# Stops the bus and whatever it started for us (the accessibility bus and
# its registry), children first.
stop_bus() {
  local pid=$1 stat line fields
  for stat in /proc/[0-9]*/stat; do
    read -r line 2>/dev/null <"$stat" || continue
    read -ra fields <<<"${line##*) }"   # state, parent, ...
    [[ ${fields[1]} == "$pid" ]] && stop_bus "$(basename "$(dirname "$stat")")"
  done
  kill "$pid" 2>/dev/null || true
}
trap 'cleanup; [[ -n "$BUS_PID" ]] && stop_bus "$BUS_PID"; rm -rf "$runtime"' EXIT

export XDG_RUNTIME_DIR=$runtime
unset AT_SPI_BUS_ADDRESS
xvfb_start
{ read -r DBUS_SESSION_BUS_ADDRESS; read -r BUS_PID; } < <(
  timeout 10 dbus-daemon --session --fork --print-address=1 --print-pid=1 2>"$ARTEFACTS/dbus.log")
[[ -n "$BUS_PID" ]] || fail "no session bus: $(cat "$ARTEFACTS/dbus.log")"
export DBUS_SESSION_BUS_ADDRESS

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 app_start "$1"
tree dump >"$ARTEFACTS/tree.txt" || fail "the window cannot be read: $(cat "$ARTEFACTS/app.log")"
tree controls 13   # three lists, nine buttons, the progress bar

click_at 400 167   # "Load Sample/Example Data"
tree rows 'Domain(s)' www.tavrelle.com www.qorvintaxuplem.com www.zk4v9qx7m2trw8.com
tree dump >"$ARTEFACTS/tree-with-rows.txt"

close_expecting_exit "while read through AT-SPI"
echo "accessibility: controls named and told apart, rows readable"
