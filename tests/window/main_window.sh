#!/usr/bin/env bash
# The program as a user starts it: its window on the screen, three sample
# names after a click on "Load Sample/Example Data", and an immediate end when
# the window is closed.
# Usage: main_window.sh PROGRAM ARTEFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"
source "$here/text_rows.sh"

xvfb_start
app_start "$1"

[[ $(xprop -id "$WINDOW_ID" WM_NAME) == 'WM_NAME(STRING) = "Quillmere Tandrovel"' ||
   $(xprop -id "$WINDOW_ID" WM_NAME) == 'WM_NAME(UTF8_STRING) = "Quillmere Tandrovel"' ]] ||
  fail "window name: $(xprop -id "$WINDOW_ID" WM_NAME)"
xprop -id "$WINDOW_ID" _NET_WM_NAME | grep -qx '_NET_WM_NAME(UTF8_STRING) = "Quillmere Tandrovel"' ||
  fail "_NET_WM_NAME: $(xprop -id "$WINDOW_ID" _NET_WM_NAME)"

read -r width height < <(xwininfo -id "$WINDOW_ID" | awk '/  Width:/{w=$2} /  Height:/{h=$2} END{print w, h}')
[[ "$width x $height" == "536 x 459" ]] || fail "client area is $width x $height"
read -r ox oy < <(window_origin)
(( ox >= 243 && ox <= 245 && oy >= 153 && oy <= 155 )) || fail "window not centred: at $ox,$oy"
xprop -id "$WINDOW_ID" WM_NORMAL_HINTS | grep -q 'program specified minimum size: 536 by 459' ||
  fail "the window is not of fixed size"

# The pending list's rows lie below its header: x 8..528, y 8..113.
before=$(screenshot before-sample)
rows=$(text_rows "$before" $((ox + 12)) $((oy + 30)) 300 80)
[[ "$rows" == 0 ]] || fail "the pending list shows $rows rows before any name was added"

click_at 400 167   # "Load Sample/Example Data"
after=$(screenshot after-sample)
rows=$(text_rows "$after" $((ox + 12)) $((oy + 30)) 300 80)
[[ "$rows" == 3 ]] || fail "the pending list shows $rows rows after the sample data, not 3"

close_expecting_exit "with names in its lists"
echo "main window: name, size, centring, sample data and closing are as expected"
