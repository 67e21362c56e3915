#!/usr/bin/env bash
# Times quarvel-render against gnuplot and matplotlib, whole processes side
# by side (bench/render_compare.py), on terrain grids from quarvel-gen.
#
#   bench/render.sh
#   SIZES="250 1000" RUNS=9 MPL_RUNS=1 BUILD_DIR=build-bench bench/render.sh
#   MPL_RUNS=0 bench/render.sh      # without the (minutes long) matplotlib turntable
#
# Needs, besides the build: gnuplot (Debian: gnuplot-nox, whose png
# terminal is libgd's) and, for the turntable, /usr/bin/python3 with
# matplotlib and numpy (python3-matplotlib).  Without them those rows are
# left out.
set -euo pipefail

cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
sizes=${SIZES:-250 1000}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target quarvel-gen quarvel-render osmesa-floor >/dev/null

data="$build/bench-data"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
meshes=()
for n in $sizes; do
  f="$data/terrain-$n.mesh"
  mkdir -p "$data"
  [ -s "$f" ] || "$build/tools/quarvel-gen" terrain "$n" "$n" >"$f"
  # gnuplot's grid form: the points, a blank line after every column.
  [ -s "${f%.mesh}.dat" ] || grep -v '^#' "$f" | tail -n +2 | awk -v n="$n" '{print} NR % n == 0 {print ""}' >"${f%.mesh}.dat"
  meshes+=("$f")
done

command -v gnuplot >/dev/null || { echo "gnuplot is missing (apt-get install gnuplot-nox)" >&2; exit 1; }
python=""
/usr/bin/python3 -c "import matplotlib, numpy" 2>/dev/null && python=/usr/bin/python3
[ -n "$python" ] || echo "matplotlib not found: the turntable comparison is left out"
timer=$(command -v python3 || echo /usr/bin/python3)
"$timer" bench/render_compare.py --render "$build/tools/quarvel-render" --floor "$build/bench/osmesa-floor" --work "$work" \
  --runs "${RUNS:-5}" --mpl-runs "${MPL_RUNS:-1}" --python "$python" "${meshes[@]}"
