#!/usr/bin/env bash
# The installed program, started through its link in bin/: it finds its
# hand pointer beside itself in its own folder, shows its icon, and an
# example skin copied in as x/o.cjs restyles the window where the sheet says,
# against the default white look. Usage: skin_window.sh BUILD_DIR ARTEFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
build_dir=$1
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"

prefix=$(mktemp -d)
trap 'cleanup; rm -rf "$prefix"' EXIT
cmake --install "$build_dir" --prefix "$prefix" >"$ARTEFACTS/install.log"
program="$prefix/bin/quillmere-tandrovel"
program_dir="$prefix/lib/quillmere-tandrovel"
[[ -f "$program_dir/HAND-M.CUR" ]] || fail "HAND-M.CUR is not installed beside the program"
[[ ! -e "$program_dir/x" ]] || fail "a skin was installed into use"

# pixel NAME X Y: the colour at client pixel X,Y in screenshot NAME, as #RRGGBB.
pixel() {
  local ox oy
  read -r ox oy < <(window_origin)
  convert "$ARTEFACTS/$1.png" -crop "1x1+$((ox + $2))+$((oy + $3))" -depth 8 txt:- \
    | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1 | tr 'a-f' 'A-F'
}

# settled_screenshot NAME X Y COLOUR: screenshots until the pixel shows
# COLOUR (a busy machine may paint late); prints the colour last seen.
settled_screenshot() {
  local seen=""
  for _ in $(seq 50); do
    screenshot "$1" >/dev/null
    seen=$(pixel "$1" "$2" "$3")
    [[ "$seen" == "$4" ]] && break
    sleep 0.1
  done
  echo "$seen"
}

no_error_box() {
  if xdotool search --onlyvisible --name '^Application Error$' >/dev/null 2>&1; then
    screenshot "$1-error" >/dev/null
    fail "an error report appeared at start-up ($1)"
  fi
  if grep -q 'Could not parse' "$ARTEFACTS/app.log"; then
    fail "Qt could not parse the skin ($1)"
  fi
}

stop_app() {
  kill "$APP_PID" 2>/dev/null || true
  wait "$APP_PID" 2>/dev/null || true
  APP_PID=""
}

# Client pixels: the window background left of the pending list, and the
# face of "Start Checking" (PushButton4) left of its caption.
BACKGROUND=(4 4)
START_BUTTON=(16 200)
ADD_BUTTON=(100 133)
SAMPLE_BUTTON=(400 167)
# The pending list spans x 8..527, y 8..112: its header, its scroll bar.
PENDING_HEADER=(100 14)
PENDING_SCROLL_BAR=(519 80)

xvfb_start
cd /   # the program must not depend on where it is started from

# The default look.
app_start "$program"
no_error_box default
xdotool mousemove 0 0
default_background=$(settled_screenshot default "${BACKGROUND[@]}" "#FFFFFF")
default_button=$(pixel default "${START_BUTTON[@]}")
[[ "$default_background" == "#FFFFFF" ]] || fail "default background is $default_background, not white"

seen=$(pointer_over "${ADD_BUTTON[@]}" hand)
[[ "$seen" == "$HAND" ]] || fail "the pointer over a button is '$seen', not the 32x32 hand with hotspot 9,0"
seen=$(pointer_over "${BACKGROUND[@]}" other)
[[ "$seen" != "$HAND" ]] || fail "the hand stays over the window background"
# From a button onto a list's header, and onto its scroll bar once nine
# sample names overfill the pending list.
pointer_over "${ADD_BUTTON[@]}" hand >/dev/null
seen=$(pointer_over "${PENDING_HEADER[@]}" other)
[[ "$seen" != "$HAND" ]] || fail "the hand stays over the pending list's header"
for _ in 1 2 3; do click_at "${SAMPLE_BUTTON[@]}"; done
pointer_over "${SAMPLE_BUTTON[@]}" hand >/dev/null
seen=$(pointer_over "${PENDING_SCROLL_BAR[@]}" other)
[[ "$seen" != "$HAND" ]] ||
  { screenshot scroll-bar >/dev/null; fail "the hand stays over the pending list's scroll bar"; }

xprop -id "$WINDOW_ID" _NET_WM_ICON >"$ARTEFACTS/icon.txt"
grep -q 'Icon (' "$ARTEFACTS/icon.txt" || fail "the window has no icon"
xprop -id "$WINDOW_ID" WM_CLASS | grep -q '"quillmere-tandrovel"' \
  || fail "the window's class does not match the desktop entry's StartupWMClass"
stop_app

# The example skin, put in use the way the README tells.
mkdir -p "$program_dir/x"
cp "$prefix/share/quillmere-tandrovel/skins/harbour.qss" "$program_dir/x/o.cjs"
app_start "$program"
no_error_box skinned
xdotool mousemove 0 0
# The colours the sheet gives #Form1 and #PushButton4.
skinned_background=$(settled_screenshot skinned "${BACKGROUND[@]}" "#1E3A4C")
skinned_button=$(pixel skinned "${START_BUTTON[@]}")
[[ "$skinned_background" == "#1E3A4C" ]] || fail "skinned background is $skinned_background, not the sheet's #1E3A4C"
[[ "$skinned_button" == "#E0A431" ]] || fail "skinned Start Checking face is $skinned_button, not the sheet's #E0A431"
[[ "$default_button" != "$skinned_button" ]] || fail "the button looks the same with and without the skin"

seen=$(pointer_over "${ADD_BUTTON[@]}" hand)
[[ "$seen" == "$HAND" ]] || fail "with the skin, the pointer over a button is '$seen', not the hand"
stop_app
echo "PASS: default $default_background/$default_button, skinned $skinned_background/$skinned_button"
