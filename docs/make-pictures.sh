#!/usr/bin/env bash
# Remakes the README's pictures in docs/ with quarvel-snapshot, reduced to
# 64-colour PNGs so that each stays a few tens of KB.
#
#   docs/make-pictures.sh        draws with build/tools/quarvel-render (or $QUARVEL_RENDER),
#                                makes data with build/tools/quarvel-gen and quarvel-import
#                                (or $QUARVEL_GEN and $QUARVEL_IMPORT)
set -euo pipefail

cd "$(dirname "$0")/.."

convert=/usr/bin/convert
"$convert" -version 2>/dev/null | grep -q ImageMagick ||
  { echo "make-pictures: needs ImageMagick in /usr/bin (apt-get install imagemagick)" >&2; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# picture NAME MESH [snapshot options...]; MESH is examples/MESH.mesh or a path
picture() {
  local name=$1 mesh=$2
  shift 2
  [[ $mesh == */* ]] || mesh=examples/$mesh.mesh
  tools/quarvel-snapshot "$@" "$mesh" "$work/$name.bmp"
  "$convert" "$work/$name.bmp" -colors 64 -strip "PNG8:docs/$name.png"
  echo "docs/$name.png"
}

# figure NAME MESH [options...]: quarvel-render --figure of examples/MESH.mesh,
# reduced to 256 dithered colours.
figure() {
  local name=$1 mesh=$2
  shift 2
  "$render" --figure "$@" "examples/$mesh.mesh" "$work/$name.png"
  "$convert" "$work/$name.png" -colors 256 -strip "PNG8:docs/$name.png"
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

gen=${QUARVEL_GEN:-build/tools/quarvel-gen}
"$gen" -n 61 'sin(x)*cos(y)' -o "$work/formula.mesh"
picture formula "$work/formula.mesh" -k u

# An elevation image through quarvel-import (examples/dem.png, made by
# docs/make-dem.py), seen from the south: north (+y) at the back, east (+x)
# to the right, so its peak stands in the back right corner.  Without the
# grid, which would cover a surface of 256 x 256 points.
"${QUARVEL_IMPORT:-build/tools/quarvel-import}" examples/dem.png -o "$work/dem.mesh"
south=$(printf 'Right %.0s' {1..28})
picture import-terrain "$work/dem.mesh" -k "f * * $south u u Up Up z z"

# The turntable at the top of the README: 300 x 300, 36 frames.
render=${QUARVEL_RENDER:-build/tools/quarvel-render}
"$render" -k "u u" --size 300x300 --turntable 36 examples/wave.mesh docs/wave-turntable.gif
echo "docs/wave-turntable.gif"

figure figure-terrain terrain --colormap earth --zlabel height --title "examples/terrain.mesh, --colormap earth"
figure figure-torus torus --relief 0.4 --title "examples/torus.mesh, --relief 0.4"
"$render" --figure --colormap earth --title "examples/dem.png, --colormap earth" examples/dem.png "$work/figure-dem.png"
"$convert" "$work/figure-dem.png" -colors 256 -strip "PNG8:docs/figure-dem.png"
echo "docs/figure-dem.png"
# The same figure as a PDF page with real text, its surface at 150 dpi.
"$render" --figure --colormap earth --dpi 150 --title "examples/dem.png, --colormap earth" examples/dem.png docs/figure-dem.pdf
echo "docs/figure-dem.pdf"
