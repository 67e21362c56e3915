#!/usr/bin/env bash
# The same DEM (examples/dem.png, and as a GeoTIFF in degrees) drawn as a
# figure by quarvel-render and by gnuplot, matplotlib and GMT as their
# users would, for the README's side-by-side table: docs/compare-*.png.
#
#   docs/make-figure-comparison.sh            # BUILD_DIR=build by default
#
# Needs gnuplot (gnuplot-nox), /usr/bin/python3 with numpy, PIL and
# matplotlib, and optionally GMT (gmt; left out when missing).
set -euo pipefail

cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build}
render="$build/tools/quarvel-render"
size=560x420
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 docs/make-dem.py "$work/dem.tif" 256
/usr/bin/python3 bench/figure_data.py examples/dem.png "$work/dem.dat" $(command -v gmt >/dev/null && echo "$work/dem.nc")

"$render" --figure --size $size examples/dem.png docs/compare-quarvel.png
"$render" --figure --size $size --colormap earth --zlabel "height (m)" "$work/dem.tif" docs/compare-quarvel-geotiff.png
"$render" --figure --size $size --view top --colormap earth --zlabel "height (m)" "$work/dem.tif" \
  docs/compare-quarvel-top.png

gnuplot -e "set terminal pngcairo size ${size/x/,}; set output 'docs/compare-gnuplot.png'; set pm3d depthorder;
  set view 60,30; unset key; set xlabel 'x'; set ylabel 'y'; set zlabel 'z';
  splot '$work/dem.dat' using 1:2:3 with pm3d"
/usr/bin/python3 bench/matplotlib_figure.py examples/dem.png docs/compare-matplotlib.png ${size/x/ }
if command -v gmt >/dev/null; then
  # Not in a subshell: GMT finds its session by the parent process, and a
  # subshell's last command would run in its place.
  here=$PWD
  cd "$work"
  gmt begin figure png E60
  gmt grdview dem.nc -JX12c -JZ6c -p202.5/30 -Qi60 -I+d -Cviridis -Baf -Bzaf -BWSneZ
  gmt colorbar -DJRM+o1.5c/0 -Baf
  gmt end
  cd "$here"
  cp "$work/figure.png" docs/compare-gmt.png
fi
# Small files for the repository: a palette of 256 colours is plenty here.
/usr/bin/python3 - docs/compare-*.png <<'PY'
import sys
from PIL import Image
for path in sys.argv[1:]:
    Image.open(path).convert("RGB").quantize(256, dither=Image.Dither.NONE).save(path, optimize=True)
PY
ls -l docs/compare-*.png
