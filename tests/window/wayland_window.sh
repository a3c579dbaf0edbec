#!/usr/bin/env bash
# The program as a Wayland client: Debian's weston with its headless back end
# and the pixman renderer, the program on Qt's Wayland platform, and a
# screenshot through weston's screenshooter (allowed by --debug). The window
# is found in the screenshot, its client area must be the fixed 536 x 459,
# and Qt's decoration must show the minimise and close buttons (Qt 6.4's own
# decoration draws a maximise button too, whatever the window's flags, so
# that one is reported, not refused). The headless
# back end has no input devices, so nothing can press the close box: the
# session is ended instead, and the program must end with it.
# Usage: wayland_window.sh PROGRAM ARTEFACT_DIR
set -euo pipefail
program=$1
export ARTEFACTS=$2
mkdir -p "$ARTEFACTS"
fail() { echo "FAIL: $*" >&2; exit 1; }

WESTON_PID=""
APP_PID=""
runtime=$(mktemp -d)   # private (0700), as XDG_RUNTIME_DIR must be
cleanup() {
  [[ -n "$APP_PID" ]] && kill "$APP_PID" 2>/dev/null || true
  [[ -n "$WESTON_PID" ]] && kill "$WESTON_PID" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$runtime"
}
trap cleanup EXIT
export XDG_RUNTIME_DIR=$runtime
export WAYLAND_DISPLAY=quill-wayland
unset DISPLAY

# A black desktop without a panel, so the window stands out; no idle fade.
cat >"$runtime/weston.ini" <<'INI'
[core]
idle-time=0
[shell]
background-color=0xff000000
panel-position=none
INI
weston --backend=headless-backend.so --use-pixman --debug --width=1024 --height=768 \
  --socket="$WAYLAND_DISPLAY" --config="$runtime/weston.ini" --log="$ARTEFACTS/weston.log" \
  >"$ARTEFACTS/weston.out" 2>&1 &
WESTON_PID=$!
for _ in $(seq 100); do
  [[ -S "$runtime/$WAYLAND_DISPLAY" ]] && break
  kill -0 "$WESTON_PID" 2>/dev/null || fail "weston ended at start-up: $(cat "$ARTEFACTS/weston.log")"
  sleep 0.1
done
[[ -S "$runtime/$WAYLAND_DISPLAY" ]] || fail "weston did not open its socket"

QT_QPA_PLATFORM=wayland BROWSER=true "$program" >"$ARTEFACTS/app.log" 2>&1 &
APP_PID=$!

# Screenshots until the window is there and drawn (a busy machine may be
# slow); the last one stays as the artefact.
shots="$runtime/shots"
mkdir "$shots"
found=""
for _ in $(seq 50); do
  kill -0 "$APP_PID" 2>/dev/null || fail "the program ended at start-up: $(cat "$ARTEFACTS/app.log")"
  rm -f "$shots"/*.png
  (cd "$shots" && weston-screenshooter) >/dev/null 2>&1 || true
  shot=$(ls "$shots"/*.png 2>/dev/null | head -n1 || true)
  if [[ -n "$shot" ]]; then
    mv "$shot" "$ARTEFACTS/wayland.png"
    found=$(python3 "$(dirname "$0")/wayland_window.py" "$ARTEFACTS/wayland.png") && break
  fi
  sleep 0.2
done
[[ -n "$found" ]] || fail "no window found in the screenshot $ARTEFACTS/wayland.png"
echo "$found"
read -r client buttons <<<"$found"
[[ "$client" == 536x459 ]] || fail "the client area is $client, not 536x459"
[[ "$buttons" == *minimise* && "$buttons" == *close ]] ||
  fail "the title bar's buttons read '$buttons': minimise and close expected, close rightmost"

# The session ends: the program must not outlive it.
kill "$WESTON_PID"
wait "$WESTON_PID" 2>/dev/null || true
WESTON_PID=""
for _ in $(seq 30); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "the program still runs 3 s after its Wayland session ended"
APP_PID=""
echo "PASS: client $client, title bar buttons: $buttons"
