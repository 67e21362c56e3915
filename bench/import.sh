#!/usr/bin/env bash
# Times quarvel-import on text height matrices of 500², 1000² and 2000²
# values, on a 16-bit 2000² elevation image, and on a 2000² DEM as an ESRI
# grid and as a GDAL XYZ file, beside the plain numpy scripts that do the
# same (see bench/import_compare.py, bench/image_import.py and
# bench/geo_import.py), and prints the figures quoted in the README.
#
#   bench/import.sh
#   SIZES="500 2000" RUNS=5 BUILD_DIR=build-bench bench/import.sh
set -euo pipefail

cd "$(dirname "$0")/.."
build=${BUILD_DIR:-build-bench}
sizes=${SIZES:-500 1000 2000}
numpy=/usr/bin/python3  # Debian's, with python3-numpy
"$numpy" -c "import numpy" 2>/dev/null || { echo "import.sh: $numpy has no numpy (python3-numpy)" >&2; exit 1; }

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"${JOBS:-2}" --target quarvel-import >/dev/null

data="$build/bench-data"
mkdir -p "$data"
files=()
for n in $sizes; do
  f="$data/heights-$n.txt"
  # Terrain-like heights in metres with centimetres, as a DEM export has.
  [ -s "$f" ] || "$numpy" -c "
import numpy, sys
n = $n
u = numpy.linspace(0, 6, n)
z = 300 + 80 * numpy.sin(u)[:, None] * numpy.cos(1.3 * u)[None, :] + 7 * numpy.sin(17 * u)[None, :]
numpy.savetxt(sys.argv[1], z, fmt='%.2f')
" "$f"
  files+=("$f")
done

"$numpy" bench/import_compare.py --tool "$build/tools/quarvel-import" --numpy "$numpy" \
  --runs "${RUNS:-3}" "${files[@]}"

# A 16-bit elevation image, as PGM and PNG, beside numpy reading its pixels.
echo
"$numpy" bench/image_import.py --tool "$build/tools/quarvel-import" --data "$data" \
  --runs "${RUNS:-3}"

# A DEM as an ESRI ASCII grid and as GDAL XYZ lines, beside numpy.loadtxt.
echo
"$numpy" bench/geo_import.py --tool "$build/tools/quarvel-import" --data "$data" \
  --runs "${RUNS:-3}"
