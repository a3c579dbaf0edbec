#!/usr/bin/env bash
# The program as a Wayland client on two real compositors, each headless with
# the pixman renderer:
# - weston leaves decorations to its clients: the program's own title bar
#   must show a minimise and a close button and nothing else;
# - sway decorates windows itself: its title bar is the only one, with no
#   buttons of ours, and its close request must end the program. There a
#   report must not hide behind the main window: "Start Checking" on an
#   empty list brings one up, the main window is then activated as a click
#   would, and the report must be in front again with the keyboard, so that
#   Enter closes it.
# Each time the window is found in a screenshot and its client area must be
# the fixed 536 x 459. Weston's headless back end has no input devices, so
# nothing can press our close box there: that session is ended instead, and
# the program must end with it. Screenshots stay as artefacts.
# Usage: wayland_window.sh PROGRAM ARTEFACT_DIR
set -euo pipefail
program=$1
export ARTEFACTS=$2
mkdir -p "$ARTEFACTS"
here=$(dirname "$0")
fail() { echo "FAIL: $*" >&2; exit 1; }

SERVER_PID=""
APP_PID=""
runtime=$(mktemp -d)   # private (0700), as XDG_RUNTIME_DIR must be
sway_runtime=$(mktemp -d)
cleanup() {
  [[ -n "$APP_PID" ]] && kill "$APP_PID" 2>/dev/null || true
  [[ -n "$SERVER_PID" ]] && kill "$SERVER_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$runtime" "$sway_runtime"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$runtime
unset DISPLAY WAYLAND_DISPLAY

wait_for_socket() { # SOCKET NAME LOG
  for _ in $(seq 100); do
    [[ -S "$1" ]] && return
    kill -0 "$SERVER_PID" 2>/dev/null || fail "$2 ended at start-up: $(cat "$3")"
    sleep 0.1
  done
  fail "$2 did not open its socket"
}

start_program() {
  QT_QPA_PLATFORM=wayland BROWSER=true "$program" >"$ARTEFACTS/app-$1.log" 2>&1 &
  APP_PID=$!
}

# Screenshots until the window is there and drawn (a busy machine may be
# slow); the last one stays as the artefact. Prints "536x459 minimise close".
find_window() { # NAME SCREENSHOT-COMMAND...
  local name=$1 shots="$runtime/shots" shot found=""
  shift
  mkdir -p "$shots"
  for _ in $(seq 50); do
    kill -0 "$APP_PID" 2>/dev/null || fail "the program ended at start-up: $(cat "$ARTEFACTS/app-$name.log")"
    rm -f "$shots"/*.png
    (cd "$shots" && "$@") >/dev/null 2>&1 || true
    shot=$(ls "$shots"/*.png 2>/dev/null | head -n1 || true)
    if [[ -n "$shot" ]]; then
      mv "$shot" "$ARTEFACTS/$name.png"
      found=$(python3 "$here/wayland_window.py" "$ARTEFACTS/$name.png") && break
    fi
    sleep 0.2
  done
  [[ -n "$found" ]] || fail "no window found in the screenshot $ARTEFACTS/$name.png"
  echo "$found"
}

program_ends() { # WHY
  for _ in $(seq 30); do
    kill -0 "$APP_PID" 2>/dev/null || { wait "$APP_PID" 2>/dev/null || true; APP_PID=""; return; }
    sleep 0.1
  done
  fail "the program still runs 3 s after $1"
}

stop_server() {
  kill "$SERVER_PID" 2>/dev/null || true
  wait "$SERVER_PID" 2>/dev/null || true
  SERVER_PID=""
}

# weston: a black desktop without a panel, so the window stands out; no idle fade.
cat >"$runtime/weston.ini" <<'INI'
[core]
idle-time=0
[shell]
background-color=0xff000000
panel-position=none
INI
export WAYLAND_DISPLAY=quill-wayland
weston --backend=headless-backend.so --use-pixman --debug --width=1024 --height=768 \
  --socket="$WAYLAND_DISPLAY" --config="$runtime/weston.ini" --log="$ARTEFACTS/weston.log" \
  >"$ARTEFACTS/weston.out" 2>&1 &
SERVER_PID=$!
wait_for_socket "$runtime/$WAYLAND_DISPLAY" weston "$ARTEFACTS/weston.log"
start_program weston
found=$(find_window wayland weston-screenshooter)
echo "weston: $found"
read -r client buttons <<<"$found"
[[ "$client" == 536x459 ]] || fail "weston: the client area is $client, not 536x459"
[[ "$buttons" == "minimise close" ]] ||
  fail "weston: the title bar's buttons read '$buttons': minimise then close expected, and no maximise"
stop_server
program_ends "its Wayland session ended"

# sway: refuses to run as root, so a test run as root starts it as nobody in
# a runtime folder of that user's; the program reaches it by the socket's path.
as_sway_user=()
if [[ $(id -u) == 0 ]]; then
  chown 65534:65534 "$sway_runtime"
  as_sway_user=(setpriv --reuid=65534 --regid=65534 --clear-groups)
fi
cat >"$sway_runtime/config" <<'CONF'
output * bg #000000 solid_color
output HEADLESS-1 resolution 1024x768
CONF
XDG_RUNTIME_DIR=$sway_runtime WLR_BACKENDS=headless WLR_LIBINPUT_NO_DEVICES=1 WLR_RENDERER=pixman \
  "${as_sway_user[@]}" sway --config "$sway_runtime/config" >"$ARTEFACTS/sway.log" 2>&1 &
SERVER_PID=$!
export WAYLAND_DISPLAY=$sway_runtime/wayland-1
wait_for_socket "$WAYLAND_DISPLAY" sway "$ARTEFACTS/sway.log"
start_program sway
found=$(find_window sway grim sway-shot.png)
echo "sway: $found"
read -r client buttons <<<"$found"
[[ "$client" == 536x459 ]] || fail "sway: the client area is $client, not 536x459"
[[ -z "$buttons" ]] || fail "sway decorates windows itself, yet the program drew buttons: '$buttons'"
export SWAYSOCK=""
for _ in $(seq 30); do
  SWAYSOCK=$(ls "$sway_runtime"/sway-ipc.*.sock 2>/dev/null || true)
  [[ -n "$SWAYSOCK" ]] && break
  sleep 0.1
done
[[ -n "$SWAYSOCK" ]] || fail "sway opened no IPC socket"
focused_window() { swaymsg -t get_tree | python3 "$here/wayland_window.py" --focused; }
wait_for_focus() { # TITLE WHY
  for _ in $(seq 30); do
    [[ "$(focused_window)" == "$1" ]] && return
    sleep 0.1
  done
  fail "sway: $2; the focused window is '$(focused_window)'"
}
main_title=$(focused_window)
[[ -n "$main_title" ]] || fail "sway: the main window does not have the focus at start"
# From the pending list, six Tabs reach "Start Checking".
python3 "$here/wayland_window.py" --keys Tab Tab Tab Tab Tab Tab Return
for _ in $(seq 30); do
  report_title=$(focused_window)
  [[ -n "$report_title" && "$report_title" != "$main_title" ]] && break
  sleep 0.1
done
[[ -n "$report_title" && "$report_title" != "$main_title" ]] || fail "sway: Start Checking on an empty list brought up no report"
swaymsg "[title=\"^${main_title}\$\"] focus" >/dev/null
wait_for_focus "$report_title" "the report stayed behind the main window once that was activated"
python3 "$here/wayland_window.py" --keys Return
wait_for_focus "$main_title" "Enter did not close the report"
swaymsg kill >/dev/null
program_ends "sway asked it to close"
stop_server
echo "PASS: weston: our title bar with minimise and close; sway: its own title bar, a report back in front; client $client"
