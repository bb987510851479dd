#!/usr/bin/env bash
# Runs the headless demo into a scratch folder and checks its two pictures of the panel: both
# written, both showing a drawn grid (many colours, not a blank or one-colour area), the dark
# one darker than the light one.
#
#   check_demo_screenshots.sh SOURCE_DIR SCRATCH_DIR
set -u
top=$1
scratch=$2
rm -rf "$scratch" && mkdir -p "$scratch"

# Without a display the demo takes pictures instead of opening a window.
printed=$(env -u DISPLAY "$top/tools/demo" --out "$scratch") || { echo "the demo failed"; exit 1; }
echo "$printed"

status=0
for mode in light dark; do
  png="$scratch/demo-$mode.png"
  printf '%s\n' "$printed" | grep -qx "$png" || { echo "the demo did not print $png"; status=1; }
  [ -s "$png" ] || { echo "missing: $png"; status=1; continue; }
  colours=$(convert "$png" -format '%k' info:)
  size=$(convert "$png" -format '%wx%h' info:)
  echo "$mode: $size, $colours colours"
  # Text, grid lines, header, selection and alternating rows give dozens of colours; a panel
  # that painted nothing has one or two.
  [ "$colours" -ge 16 ] || { echo "$png looks blank ($colours colours)"; status=1; }
done
if [ $status -eq 0 ]; then
  light=$(convert "$scratch/demo-light.png" -colorspace gray -format '%[fx:int(mean*1000)]' info:)
  dark=$(convert "$scratch/demo-dark.png" -colorspace gray -format '%[fx:int(mean*1000)]' info:)
  echo "mean brightness (per mille): light $light, dark $dark"
  [ "$dark" -lt $((light - 200)) ] || { echo "the dark picture is not clearly darker than the light one"; status=1; }
fi
[ $status -eq 0 ] && echo "demo screenshots OK"
exit $status
