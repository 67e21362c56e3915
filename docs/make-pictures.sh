#!/usr/bin/env bash
# Remakes the README's pictures in docs/ with quarvel-snapshot, reduced to
# 64-colour PNGs so that each stays a few tens of KB.
#
#   docs/make-pictures.sh        draws with build/tools/quarvel-render (or $QUARVEL_RENDER)
set -euo pipefail

cd "$(dirname "$0")/.."

convert=/usr/bin/convert
"$convert" -version 2>/dev/null | grep -q ImageMagick ||
  { echo "make-pictures: needs ImageMagick in /usr/bin (apt-get install imagemagick)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# picture NAME MESH [snapshot options...]
picture() {
  local name=$1 mesh=$2
  shift 2
  tools/quarvel-snapshot "$@" "examples/$mesh.mesh" "$work/$name.bmp"
  "$convert" "$work/$name.bmp" -colors 64 -strip "PNG8:docs/$name.png"
  echo "docs/$name.png"
}

below=$(printf 'Down %.0s' {1..35})

picture wave wave -k "u u u"
picture coarse-flat coarse -k "u u u s"
picture wave-wire wave -k "u u u w"
picture wave-below wave -k "u u u $below"
picture wave-reversed wave -r -k "u u u"
picture torus torus -k "u u"
picture torus-clipped torus -k "u u C"
picture terrain terrain -k "u u z z z"

# The turntable at the top of the README: 300 x 300, 36 frames.
render=${QUARVEL_RENDER:-build/tools/quarvel-render}
"$render" -k "u u" --size 300x300 --turntable 36 examples/wave.mesh docs/wave-turntable.gif
echo "docs/wave-turntable.gif"
