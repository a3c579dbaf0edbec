#!/usr/bin/env bash
# The program under a window manager (openbox), as most users run it: an
# error report raised at start-up is centred on the screen, the main
# window's frame is centred once the manager has framed it, and a narrow
# message box and the input box show their whole title, as a box made wide
# by its text does.
# Usage: window_manager.sh PROGRAM ARTEFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"

WM_PID=""
folder=$(mktemp -d)
trap '[[ -n "$WM_PID" ]] && kill "$WM_PID" 2>/dev/null; cleanup; rm -rf "$folder"' EXIT

# A program folder whose hand pointer cannot be read: a report at start-up.
cp "$1" "$folder/quillmere-tandrovel"
printf 'not a cursor' >"$folder/HAND-M.CUR"
work="$folder/files"
mkdir "$work"
printf 'old\r\n' >"$work/existing.txt"

xvfb_start
openbox_start
sleep 0.3

# frame_of WINDOW: the frame the manager put around it, "X Y WIDTH HEIGHT".
frame_of() {
  local x y w h l r t b
  read -r x y w h < <(xwininfo -id "$1" |
    awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /  Width:/{w=$2} /  Height:/{h=$2}
         END{print x, y, w, h}')
  read -r l r t b < <(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g')
  [[ -n "$b" ]] || fail "window $1 has no frame"
  echo $((x - l)) $((y - t)) $((w + l + r)) $((h + t + b))
}

# expect_centred WHAT WINDOW: the frame's centre is the screen's (1024 x 768)
# within a pixel, once the window manager has framed the window and the
# program has placed the frame (on a loaded machine, a moment after mapping).
expect_centred() {
  local fx fy fw fh dx dy
  for _ in $(seq 30); do
    read -r fx fy fw fh < <(frame_of "$2")
    dx=$((2 * fx + fw - 1024)) dy=$((2 * fy + fh - 768))
    (( dx >= -2 && dx <= 2 && dy >= -2 && dy <= 2 )) && return 0
    sleep 0.1
  done
  fail "$1: frame ${fw}x${fh} at $fx,$fy, its centre $((dx / 2)),$((dy / 2)) px off the screen's"
}

# title_ink WINDOW NAME: how many pixel columns inside the window's title
# bar (its edges left out) hold strong contrast, from a screenshot NAME: the
# title's letters, the icon and the buttons.
title_ink() {
  local fx fy fw fh t shot
  read -r fx fy fw fh < <(frame_of "$1")
  t=$(xprop -id "$1" _NET_FRAME_EXTENTS | sed 's/.*= //; s/,//g' | awk '{print $3}')
  shot=$(screenshot "$2")
  convert "$shot" -crop "$((fw - 8))x$((t - 6))+$((fx + 4))+$((fy + 3))" +repage -colorspace gray -depth 8 txt:- |
    awk -F'[,: ()]+' 'NR > 1 { v = $3 + 0; if (!($1 in lo) || v < lo[$1]) lo[$1] = v; if (v > hi[$1]) hi[$1] = v }
                     END { for (c in hi) if (hi[c] - lo[c] > 90) n++; print n + 0 }'
}

# close_box WINDOW KEY: presses KEY in the box and waits until it has gone.
close_box() {
  focus_window "$1"
  xdotool key "$2"
  for _ in $(seq 30); do
    xwininfo -id "$1" 2>/dev/null | grep -q 'IsViewable' || return 0
    sleep 0.1
  done
  fail "the box did not close"
}

BROWSER=true "$folder/quillmere-tandrovel" >"$ARTEFACTS/app.log" 2>&1 &
APP_PID=$!
report=$(wait_window '^Application Error$')
screenshot start-up-report >/dev/null
expect_centred "the start-up report" "$report"
close_box "$report" Return

for _ in $(seq 100); do
  WINDOW_ID=$(xdotool search --onlyvisible --name '^Quillmere Tandrovel$' 2>/dev/null | head -n1 || true)
  [[ -n "$WINDOW_ID" ]] && break
  sleep 0.1
done
[[ -n "$WINDOW_ID" ]] || fail "the main window did not appear after the report"
sleep 0.5
screenshot main >/dev/null
expect_centred "the main window" "$WINDOW_ID"

# "File not found" is a narrow box titled "Quillmere"; the overwrite question
# carries the same title in a box made wide by its text.
click_at 400 132   # "Load Domains From File"
in_dialog '^Load List\(s\) - Hold Ctrl' "$work/missing.txt"
narrow=$(wait_window '^Quillmere$')
narrow_ink=$(title_ink "$narrow" not-found)
close_box "$narrow" Return

click_at 400 369   # the taken list's "Save List"
in_dialog '^Save$' "$work/existing.txt"
wide=$(wait_window '^Quillmere$')
wide_ink=$(title_ink "$wide" overwrite-question)
close_box "$wide" Escape

click_at 100 133   # "Add Domain": the input box
input=$(wait_window '^Quillmere$')
input_ink=$(title_ink "$input" input-box)
close_box "$input" Escape

(( narrow_ink >= wide_ink - 2 )) ||
  fail "the narrow box's title shows $narrow_ink columns of ink, the wide one's $wide_ink: its title is cut short"
(( input_ink >= wide_ink - 2 )) ||
  fail "the input box's title shows $input_ink columns of ink, the wide box's $wide_ink: its title is cut short"
kill -0 "$APP_PID" 2>/dev/null || fail "the program ended"
echo "window manager: start-up report and main window centred," \
  "titles of $narrow_ink, $input_ink and $wide_ink ink columns"
