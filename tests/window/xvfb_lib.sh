# Shared by the real-window tests: an Xvfb display of the test's own, the
# program started as a user starts it, and small helpers to drive and look.
# Source it, then call xvfb_start and app_start; cleanup runs on exit.

set -euo pipefail

XVFB_PID=""
APP_PID=""
WINDOW_ID=""
ARTEFACTS="${ARTEFACTS:-$PWD/artefacts}"
mkdir -p "$ARTEFACTS"

cleanup() {
  [[ -n "$APP_PID" ]] && kill "$APP_PID" 2>/dev/null || true
  [[ -n "$XVFB_PID" ]] && kill "$XVFB_PID" 2>/dev/null || true
  wait 2>/dev/null || true
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts an Xvfb server on a display of its own. Numbers are drawn at random
# from a wide range: a server that is still shutting down removes its socket
# files late and would break a new server that reused its number at once.
# Starts are taken one at a time so that two tests never draw the same free
# number together.
xvfb_start() {
  exec 9>"${TMPDIR:-/tmp}/quillmere-xvfb-start.lock"
  flock 9
  local n attempt
  for attempt in $(seq 20); do
    n=$((200 + RANDOM % 700))
    [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]] && continue
    # -noreset: otherwise the server resets when the readiness probe leaves,
    # and refuses the program that connects during the reset.
    Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp -noreset 9>&- >"$ARTEFACTS/xvfb.log" 2>&1 &
    XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 100); do
      if xdpyinfo >/dev/null 2>&1; then
        exec 9>&-
        return 0
      fi
      kill -0 "$XVFB_PID" 2>/dev/null || break
      sleep 0.1
    done
    kill "$XVFB_PID" 2>/dev/null || true
  done
  exec 9>&-
  fail "no Xvfb display could be started"
}

# app_start PROGRAM [ARGS...]: starts it and waits for its main window.
app_start() {
  # One start in a hundred opens the home page. With no browser on the
  # machine that is an error report, shown before the main window, so the
  # tests give Qt a browser that does nothing.
  BROWSER=true "$@" >"$ARTEFACTS/app.log" 2>&1 &
  APP_PID=$!
  for _ in $(seq 100); do
    WINDOW_ID=$(xdotool search --name '^Quillmere Tandrovel$' 2>/dev/null | head -n1 || true)
    [[ -n "$WINDOW_ID" ]] && xwininfo -id "$WINDOW_ID" | grep -q 'IsViewable' && { sleep 0.3; return 0; }
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended at start-up: $(cat "$ARTEFACTS/app.log"); Xvfb $(kill -0 "$XVFB_PID" 2>/dev/null && echo runs || echo ended): $(cat "$ARTEFACTS/xvfb.log")"
    sleep 0.1
  done
  fail "the main window did not appear"
}

# Starts openbox on the display, as a desktop has a window manager, and waits
# until it manages the screen; WM_PID is its process, for the caller to end.
openbox_start() {
  openbox >"$ARTEFACTS/openbox.log" 2>&1 &
  WM_PID=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
}

# The window's client origin on the screen: "X Y".
window_origin() {
  xwininfo -id "$WINDOW_ID" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} END{print x, y}'
}

# click_at X Y: a left click at client coordinates (pixels) of the main window.
click_at() {
  local ox oy
  read -r ox oy < <(window_origin)
  # --sync waits for the pointer to move, which never comes when it is there already.
  xdotool mousemove 0 0 mousemove --sync $((ox + $1)) $((oy + $2)) click 1
  sleep 0.3
}

# pointer_over X Y hand|other: moves the mouse to client pixel X,Y and waits
# until the pointer there is (or is not) the 32x32 hand with hotspot 9,0;
# prints "WIDTH HEIGHT XHOT YHOT" as last seen.
HAND="32 32 9 0"
pointer_over() {
  local ox oy seen=""
  read -r ox oy < <(window_origin)
  xdotool mousemove $((ox + $1)) $((oy + $2))   # no --sync: it hangs if the pointer is there already
  for _ in $(seq 50); do
    seen=$(python3 "$(dirname "${BASH_SOURCE[0]}")/x_cursor.py" | cut -d' ' -f1-4)
    if [[ "$3" == hand ]]; then [[ "$seen" == "$HAND" ]] && break
    else [[ "$seen" != "$HAND" ]] && break
    fi
    sleep 0.1
  done
  echo "$seen"
}

# screenshot NAME: the whole screen, kept as a test artefact; prints the path.
screenshot() {
  local file="$ARTEFACTS/$1.png"
  import -window root "$file"
  echo "$file"
}

# close_expecting_exit WHAT: closes the main window as a window manager's
# close box does and expects the program to end at once with status 0.
close_expecting_exit() {
  local status
  python3 "$(dirname "${BASH_SOURCE[0]}")/close_window.py" "$WINDOW_ID"
  for _ in $(seq 30); do
    kill -0 "$APP_PID" 2>/dev/null || break
    sleep 0.1
  done
  kill -0 "$APP_PID" 2>/dev/null && fail "the program still runs 3 s after its window was closed $1"
  status=0
  wait "$APP_PID" || status=$?
  APP_PID=""
  [[ $status == 0 ]] || fail "the program ended with status $status"
}

# The id of the newest visible top-level window whose name matches.
wait_window() {
  local id=""
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -n1 || true)
    [[ -n "$id" ]] && { sleep 0.3; echo "$id"; return 0; }
    sleep 0.1
  done
  fail "no window named '$1' appeared"
}

# wait_gone WINDOW WHAT: until the window is no longer shown (5 s at most).
wait_gone() {
  for _ in $(seq 50); do
    xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable' || return 0
    sleep 0.1
  done
  fail "$2 did not close"
}

# add_domain NAME: the program's "Add Domain", the name typed into its box
# (titled with the application title), Return.
add_domain() {
  local dialog
  # click_at's --sync waits for the pointer to move: start from elsewhere.
  xdotool mousemove 0 0
  click_at 136 132
  dialog=$(wait_window '^Quillmere$')
  xdotool windowfocus --sync "$dialog"
  xdotool type --delay 5 "$1"
  xdotool key Return
  wait_gone "$dialog" "the Add Domain box"
}

# focus_window WINDOW: gives it the keyboard, through the window manager if
# one runs.
focus_window() {
  xdotool windowactivate --sync "$1" 2>/dev/null || xdotool windowfocus --sync "$1"
}

# in_dialog TITLE_REGEX TEXT: types TEXT into the file dialog's name field and
# presses Return until the dialog has gone (the first Return may only close
# the name completer's list).
in_dialog() {
  local dialog
  dialog=$(wait_window "$1")
  focus_window "$dialog"
  xdotool type --delay 5 "$2"
  for _ in 1 2 3; do
    xdotool key Return
    for _ in $(seq 10); do
      xwininfo -id "$dialog" 2>/dev/null | grep -q 'IsViewable' || return 0
      sleep 0.1
    done
  done
  screenshot dialog-stuck >/dev/null
  fail "the dialog '$1' did not close"
}
