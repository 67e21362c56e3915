#!/usr/bin/env bash
# Times quarvel-render --series --figure against gnuplot and matplotlib
# making an animated GIF of 100 steps of a 250 x 250 travelling wave, whole
# processes (bench/series_compare.py), then shows that a long series needs
# no more memory than a short one.
#
#   bench/series.sh
#   RUNS=5 MPL_RUNS=1 STEPS=100 LONG=1000 BUILD_DIR=build-bench bench/series.sh
#
# Needs, besides the build: gnuplot with its gif terminal (Debian:
# gnuplot-nox, libgd), /usr/bin/python3 with numpy, matplotlib and PIL.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target quarvel-render >/dev/null

gnuplot -e 'set term' 2>&1 | grep -qw gif || { echo "gnuplot has no gif terminal (apt-get install gnuplot-nox)" >&2; exit 1; }
/usr/bin/python3 -c "import matplotlib, numpy, PIL" || { echo "/usr/bin/python3 needs numpy, PIL, matplotlib" >&2; exit 1; }

steps=${STEPS:-100}
data="$build/bench-data/series-$steps"
[ -s "$data/steps.dat" ] || /usr/bin/python3 bench/series_data.py "$data" "$steps"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
timer=$(command -v python3 || echo /usr/bin/python3)
"$timer" bench/series_compare.py --render "$build/tools/quarvel-render" --work "$work" --data "$data" \
  --runs "${RUNS:-3}" --python /usr/bin/python3 --mpl-runs "${MPL_RUNS:-1}" --long "${LONG:-1000}"
