# A session bus of the test's own, on which the accessibility bus starts as a
# desktop session starts it. Source it after xvfb_lib.sh, call
# session_bus_start, and session_bus_stop on exit (after cleanup).

BUS_PID=""
BUS_RUNTIME=$(mktemp -d)   # private (0700), as XDG_RUNTIME_DIR must be

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

session_bus_start() {
  export XDG_RUNTIME_DIR=$BUS_RUNTIME
  unset AT_SPI_BUS_ADDRESS
  { read -r DBUS_SESSION_BUS_ADDRESS; read -r BUS_PID; } < <(
    timeout 10 dbus-daemon --session --fork --print-address=1 --print-pid=1 2>"$ARTEFACTS/dbus.log")
  [[ -n "$BUS_PID" ]] || fail "no session bus: $(cat "$ARTEFACTS/dbus.log")"
  export DBUS_SESSION_BUS_ADDRESS
}

session_bus_stop() {
  [[ -n "$BUS_PID" ]] && stop_bus "$BUS_PID"
  rm -rf "$BUS_RUNTIME"
}
