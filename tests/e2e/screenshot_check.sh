#!/usr/bin/env bash
# screenshot_check.sh PICTURE: fails unless the main window's picture shows the heading's blue in the top
# sixth, the address's dark blue in the lower half only, and the groups' grey frame lines.
set -euo pipefail
picture=$1
read -r width height < <(identify -format '%w %h\n' "$picture")

# Pixels of `colour` in the band of rows [top, top + rows).
pixels() {
  convert "$picture" -crop "${width}x$3+0+$2" +repage -fill black +opaque "$1" -fill white -opaque "$1" \
    -format '%[fx:round(mean*w*h)]' info:
}

heading=$(pixels '#4080C0' 0 $((height / 6)))
address=$(pixels '#004080' $((height / 2)) $((height - height / 2)))
address_above=$(pixels '#004080' 0 $((height / 2)))
frame_rows=$(convert "$picture" -fill black +opaque '#808080' -fill white -opaque '#808080' -scale "1x$height!" \
  -depth 8 txt:- | awk -F'[(,]' 'NR > 1 && $3 + 0 > 200 { rows++ } END { print rows + 0 }')
echo "screenshot_check: ${width}x$height; heading $heading, address $address (above: $address_above) pixels," \
  "$frame_rows frame rows"
[ "$heading" -ge 300 ] && [ "$address" -ge 100 ] && [ "$address_above" -eq 0 ] && [ "$frame_rows" -ge 10 ]
