#!/usr/bin/env bash
# Shows an example surface: opens the viewer when there is a display,
# otherwise draws its picture with quarvel-render and says where it is.
# Any file quarvel-import reads (a .csv, .npy, .png, .tif, ...) goes
# through quarvel-import first; a .mesh file goes straight in.
#
#   tools/run-example.sh [FILE]     FILE defaults to examples/wave.mesh
#   BUILD_DIR=dir tools/run-example.sh   use the programs built in dir
set -euo pipefail

# A mesh named on the command line is relative to where we were started.
mesh=${1:-}
if [[ -n $mesh && $mesh != /* && -e $mesh ]]; then
  mesh=$PWD/$mesh
fi
cd "$(dirname "$0")/.."
mesh=${mesh:-examples/wave.mesh}
build=${BUILD_DIR:-build}
[[ $build == /* ]] || build=$PWD/$build
viewer=$build/quarvel
importer=$build/tools/quarvel-import

[[ -x $viewer ]] || { echo "run-example: $viewer is missing: run tools/setup.sh first" >&2; exit 1; }
[[ -r $mesh ]] || { echo "run-example: cannot read $mesh" >&2; exit 1; }

# Data other than mesh text is converted first, into a temporary mesh
# removed on the way out; an imported grid is usually dense, so the
# picture is drawn with the grid lines off (the viewer's "f").
keys=()
if [[ $mesh != *.mesh ]]; then
  [[ -x $importer ]] || { echo "run-example: $importer is missing: run tools/setup.sh first" >&2; exit 1; }
  converted=$(mktemp "${TMPDIR:-/tmp}/quarvel-example.XXXXXX")
  trap 'rm -f "$converted"' EXIT
  "$importer" -o "$converted" "$mesh"
  source_name=$mesh
  mesh=$converted
  keys=(-k f)
fi

display_works() {
  [[ -n ${DISPLAY:-} ]] || return 1
  # Without xdpyinfo, trust $DISPLAY and let the viewer report a problem.
  command -v xdpyinfo >/dev/null || return 0
  xdpyinfo >/dev/null 2>&1
}

if display_works; then
  echo "Opening ${source_name:-$mesh}: arrow keys turn it, f turns the grid off, right mouse button for the menu, q quits."
  "$viewer" "$mesh"
  exit
fi

name=$(basename "${source_name:-$mesh}")
name=${name%.*}
picture=$build/$name.png
renderer=$build/tools/quarvel-render
[[ -x $renderer ]] || renderer=$build/quarvel-render
[[ -x $renderer ]] || { echo "run-example: $renderer is missing: run tools/setup.sh first" >&2; exit 1; }
if [[ -n ${DISPLAY:-} ]]; then
  echo "Cannot open display $DISPLAY; drawing the viewer's picture instead."
else
  echo "No display (DISPLAY is not set); drawing the viewer's picture instead."
fi
"$renderer" "${keys[@]}" "$mesh" "$picture"
echo "Picture of ${source_name:-$mesh} as the viewer shows it${keys:+ with the grid off (f)}: $picture"
