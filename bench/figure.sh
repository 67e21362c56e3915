#!/usr/bin/env bash
# Times quarvel-render --figure against gnuplot, GMT and matplotlib making
# the same 800 x 600 figure of a 16-bit DEM, whole processes side by side
# (bench/figure_compare.py).
#
#   bench/figure.sh
#   RUNS=9 MPL_RUNS=3 BUILD_DIR=build-bench bench/figure.sh
#
# Needs, besides the build: gnuplot (Debian: gnuplot-nox, with pngcairo),
# /usr/bin/python3 with numpy, PIL and matplotlib (python3-matplotlib),
# and optionally GMT (gmt).  The DEMs come from docs/make-dem.py: 344 x 403
# as PNG and GeoTIFF, 1000 x 1000 as PNG.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target quarvel-render osmesa-floor >/dev/null

command -v gnuplot >/dev/null || { echo "gnuplot is missing (apt-get install gnuplot-nox)" >&2; exit 1; }
/usr/bin/python3 -c "import matplotlib, numpy, PIL" || { echo "/usr/bin/python3 needs numpy, PIL, matplotlib" >&2; exit 1; }
command -v gmt >/dev/null || echo "gmt not found: GMT is left out"

data="$build/bench-data"
mkdir -p "$data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for size in 344x403 1000x1000; do
  f="$data/dem-$size"
  [ -s "$f.png" ] || /usr/bin/python3 docs/make-dem.py "$f.png" "$size"
  [ -s "$f.tif" ] || /usr/bin/python3 docs/make-dem.py "$f.tif" "$size"
  nc=()
  command -v gmt >/dev/null && nc=("$f.nc")
  [ -s "$f.dat" ] || /usr/bin/python3 bench/figure_data.py "$f.png" "$f.dat" "${nc[@]}"
done
timer=$(command -v python3 || echo /usr/bin/python3)
"$timer" bench/figure_compare.py --render "$build/tools/quarvel-render" --floor "$build/bench/osmesa-floor" \
  --work "$work" --runs "${RUNS:-7}" --python /usr/bin/python3 --mpl-runs "${MPL_RUNS:-3}" \
  --big "$data/dem-1000x1000.png" "$data/dem-344x403.png" "$data/dem-344x403.tif"
