#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan + UBSan) if needed and runs each
# for a while with a fixed seed, one after the other, then prints per target
# the executions, the time and the findings.  Exits 1 if anything was found.
#
#   tools/fuzz.sh                    60 s for each target
#   tools/fuzz.sh 600 mesh_reader    one target for 10 minutes
#
# Targets: mesh_reader, bmp_reader, point_line, npy_reader, text_reader,
# pgm_reader, image_reader, esri_reader, xyz_reader (see fuzz/).  The seed corpora
# are fuzz/corpus/<target>/; the corpus grown by the runs and any finding go
# to $FUZZ_BUILD_DIR/fuzz-runs/<target>/ (default build-fuzz).  A finding is
# replayed with: $FUZZ_BUILD_DIR/fuzz/fuzz_<target> <file>
# A single allocation above 512 MB is a finding too: a reader sizes its
# buffers by what the input can hold, not by what its header claims.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(mesh_reader bmp_reader point_line npy_reader text_reader pgm_reader image_reader
           esri_reader xyz_reader)
fi
build=${FUZZ_BUILD_DIR:-build-fuzz}

for t in "${targets[@]}"; do
  [ -f "fuzz/fuzz_$t.cpp" ] || { echo "fuzz.sh: no target $t" >&2; exit 2; }
done

CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUARVEL_FUZZ=ON -DQUARVEL_TESTS=OFF >/dev/null
cmake --build "$build" -j"${FUZZ_BUILD_JOBS:-2}" \
  --target "${targets[@]/#/fuzz_}" >/dev/null

results=()
failed=0
for t in "${targets[@]}"; do
  runs="$build/fuzz-runs/$t"
  mkdir -p "$runs/corpus" "$runs/findings"
  options=(-seed=1 -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512
           -max_len=4096 -print_final_stats=1
           -artifact_prefix="$runs/findings/")
  [ -f "fuzz/$t.dict" ] && options+=(-dict="fuzz/$t.dict")
  before=$(find "$runs/findings" -type f | wc -l)
  echo "fuzz.sh: running $t for ${seconds}s"
  status=0
  "$build/fuzz/fuzz_$t" "${options[@]}" "$runs/corpus" "fuzz/corpus/$t" \
    >"$runs/log.txt" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$runs/log.txt" | tail -1)
  time=$(sed -n 's/^Done [0-9]* runs in \([0-9]*\) second.*/\1/p' "$runs/log.txt" | tail -1)
  found=$(($(find "$runs/findings" -type f | wc -l) - before))
  if ((status != 0 || found != 0)); then
    failed=1
    echo "fuzz.sh: $t FAILED (status $status); end of $runs/log.txt:"
    tail -40 "$runs/log.txt"
    ls -1 "$runs/findings"
  fi
  results+=("$(printf '%-12s %12s executions %6s s  %d findings  status %d' \
    "$t" "${execs:-?}" "${time:-?}" "$found" "$status")")
done

echo "fuzz.sh: results (seed 1, ${seconds}s per target)"
printf '  %s\n' "${results[@]}"
exit "$failed"
