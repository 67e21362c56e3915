#!/usr/bin/env bash
# Builds the benchmarks, makes test grids with quarvel-gen and prints the
# loading figures (whole processes side by side, Google Benchmark figures)
# and the frame times (under a private Xvfb).
#
#   bench/run.sh
#   SIZES="250 1000" RUNS=9 FRAMES=20 BUILD_DIR=build-bench bench/run.sh
set -euo pipefail

cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
sizes=${SIZES:-250 1000 2000}
runs=${RUNS:-5}
frames=${FRAMES:-10}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
targets=(quarvel-gen quarvel-load parse-baseline bench-frame)
if cmake --build "$build" --target help | grep bench-mesh >/dev/null; then
  targets+=(bench-mesh)
fi
cmake --build "$build" -j"${JOBS:-2}" --target "${targets[@]}" >/dev/null

data="$build/bench-data"
mkdir -p "$data"
files=()
for n in $sizes; do
  f="$data/terrain-$n.mesh"
  [ -s "$f" ] || "$build/tools/quarvel-gen" terrain "$n" "$n" >"$f"
  files+=("$f")
done

# numpy.loadtxt for comparison, from the first Python that has numpy.
numpy=""
for py in /usr/bin/python3 python3; do
  if "$py" -c "import numpy" 2>/dev/null; then numpy=$py; break; fi
done
[ -n "$numpy" ] || echo "numpy not found: numpy.loadtxt is not timed"
timer=$(command -v python3 || echo /usr/bin/python3)

echo "== whole-process loading ($runs runs each, taking turns; medians)"
"$timer" bench/compare.py --build "$build" --runs "$runs" --numpy "$numpy" "${files[@]}"

if [ -x "$build/bench/bench-mesh" ]; then
  echo
  echo "== reading and preparing in-process (Google Benchmark)"
  "$build/bench/bench-mesh" --benchmark_min_time=0.5 --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true "${files[@]}" 2>/dev/null | grep -E "median|Benchmark|----"
fi

echo
echo "== frames: display() + glFinish, 500 x 500, start-up view ($frames frames)"
xvfb_out=$(mktemp)
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$xvfb_out" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; rm -f "$xvfb_out"' EXIT
for _ in $(seq 100); do [ -s "$xvfb_out" ] && break; sleep 0.1; done
display=":$(head -n1 "$xvfb_out")"
for f in "${files[@]}"; do
  printf '  %-22s ' "$(basename "$f")"
  DISPLAY=$display "$build/bench/bench-frame" "$f" "$frames"
done
