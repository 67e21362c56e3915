#!/usr/bin/env bash
# Shows an example surface: opens the viewer when there is a display,
# otherwise draws its picture with quarvel-render and says where it is.
#
#   tools/run-example.sh [MESH]     MESH defaults to examples/wave.mesh
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

[[ -x $viewer ]] || { echo "run-example: $viewer is missing: run tools/setup.sh first" >&2; exit 1; }
[[ -r $mesh ]] || { echo "run-example: cannot read $mesh" >&2; exit 1; }

display_works() {
  [[ -n ${DISPLAY:-} ]] || return 1
  # Without xdpyinfo, trust $DISPLAY and let the viewer report a problem.
  command -v xdpyinfo >/dev/null || return 0
  xdpyinfo >/dev/null 2>&1
}

if display_works; then
  echo "Opening $mesh: arrow keys turn it, right mouse button for the menu, q quits."
  exec "$viewer" "$mesh"
fi

name=$(basename "$mesh" .mesh)
picture=$build/$name.png
renderer=$build/tools/quarvel-render
[[ -x $renderer ]] || renderer=$build/quarvel-render
[[ -x $renderer ]] || { echo "run-example: $renderer is missing: run tools/setup.sh first" >&2; exit 1; }
if [[ -n ${DISPLAY:-} ]]; then
  echo "Cannot open display $DISPLAY; drawing the viewer's picture instead."
else
  echo "No display (DISPLAY is not set); drawing the viewer's picture instead."
fi
"$renderer" "$mesh" "$picture"
echo "Picture of $mesh as the viewer shows it: $picture"
