# text_rows IMAGE X Y W H: how many separate bands of text rows the region
# holds, read off a screenshot (a band is a run of pixel rows with dark ink).
# A grey pixel's first value is read: ImageMagick 6 prints three equal ones,
# ImageMagick 7 only one.
text_rows() {
  local image=$1 x=$2 y=$3 w=$4 h=$5
  convert "$image" -crop "${w}x${h}+${x}+${y}" +repage -colorspace gray -threshold 60% -negate \
      -resize "1x${h}!" -depth 8 txt:- |
    awk -F'[(,)]' 'NR > 1 { ink = ($3 + 0 > 0) ? 1 : 0; if (ink && !prev) bands++; prev = ink }
                   END { print bands + 0 }'
}
