#!/usr/bin/env bash
# How the window looks beyond the platform's plain defaults. At the
# fractional scales 1.25 and 1.5 each list's frame shows all four sides. On a
# dark desktop (Qt's gtk3 platform theme with Adwaita-dark) the window's
# background is the desktop's and not white, and the header beside a list's
# only column is drawn as header, not as a white block.
# Usage: appearance_window.sh PROGRAM ARTEFACT_DIR
here=$(cd "$(dirname "$0")" && pwd)
export ARTEFACTS=$2
source "$here/xvfb_lib.sh"
program=$1

# The lists in logical pixels of the window: X Y WIDTH HEIGHT COLUMN_WIDTH.
lists=("pending 8 8 520 105 466" "available 8 221 256 129 233" "taken 272 221 256 129 233")

# gray_lines IMAGE X Y W H: the darkest grey of each line across the strip
# (its rows when it is taller than wide, else its columns), one a line.
gray_lines() {
  convert "$1" -crop "$4x$5+$2+$3" +repage -colorspace gray -depth 8 txt:- |
    awk -F'[(,)]' -v tall=$(( $5 > $4 )) 'NR > 1 { split($1, at, ":"); k = tall ? $2 + 0 : at[1] + 0; v = $3 + 0
                                           if (!(k in lo) || v < lo[k]) lo[k] = v }
                                 END { for (k in lo) print lo[k] }'
}

# side_drawn IMAGE X Y W H: true when nearly every line across the strip
# holds a pixel of the frame's grey, darker than the white on either side.
side_drawn() {
  gray_lines "$@" | awk '{ n++; if ($1 < 235) f++ } END { exit !(n > 0 && f >= 0.95 * n) }'
}

# The edge of a logical length in device pixels, as the window rounds it.
px() { awk -v v="$1" -v s="$2" 'BEGIN { printf "%d\n", int(v * s + 0.5) }'; }

xvfb_start
for scale in 1.25 1.5; do
  QT_SCALE_FACTOR=$scale app_start "$program"
  read -r ox oy < <(window_origin)
  shot=$(screenshot "scale-$scale")
  for list in "${lists[@]}"; do
    read -r name x y w h column <<<"$list"
    l=$((ox + $(px "$x" $scale))) t=$((oy + $(px "$y" $scale)))
    r=$((ox + $(px $((x + w)) $scale) - 1)) b=$((oy + $(px $((y + h)) $scale) - 1))
    qw=$(( (r - l) / 4 )) qh=$(( (b - t) / 4 ))
    missing=""
    side_drawn "$shot" $((l - 1)) $((t + qh)) 3 $((2 * qh)) || missing+=" left"
    side_drawn "$shot" $((r - 1)) $((t + qh)) 3 $((2 * qh)) || missing+=" right"
    side_drawn "$shot" $((l + qw)) $((t - 1)) $((2 * qw)) 3 || missing+=" top"
    side_drawn "$shot" $((l + qw)) $((b - 1)) $((2 * qw)) 3 || missing+=" bottom"
    [[ -z "$missing" ]] || fail "at scale $scale the $name list's frame lacks its${missing} side(s), see $shot"
  done
  kill "$APP_PID"; wait "$APP_PID" 2>/dev/null || true; APP_PID=""
done

# gray_at IMAGE X Y: one pixel's grey.
gray_at() { gray_lines "$1" "$2" "$3" 1 1; }

QT_QPA_PLATFORMTHEME=gtk3 GTK_THEME=Adwaita:dark app_start "$program"
read -r ox oy < <(window_origin)
shot=$(screenshot dark-desktop)
background=$(gray_at "$shot" $((ox + 3)) $((oy + 3)))
(( background < 100 )) || fail "on a dark desktop the window's background is light (grey $background), see $shot"
for list in "${lists[@]}"; do
  read -r name x y w h column <<<"$list"
  mid=$((oy + y + 9))   # halfway down the header
  section=$(gray_at "$shot" $((ox + x + column - 8)) "$mid")
  beside=$(gray_at "$shot" $((ox + x + w - 6)) "$mid")
  (( section < 128 && beside >= section - 12 && beside <= section + 12 )) ||
    fail "on a dark desktop the $name list's header is grey $section on its column and $beside beside it, see $shot"
done
echo "appearance window: whole list frames at scales 1.25 and 1.5; a dark desktop's background and header colours"
