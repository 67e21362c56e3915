#!/usr/bin/env bash
# Remakes docs/series.gif: 40 steps of a damped travelling wave on a
# 120 x 120 grid, written as .npy files by /usr/bin/python3 with NumPy,
# drawn by quarvel-render --series --figure at 480 x 360.
#
#   docs/make-series.sh        draws with build/tools/quarvel-render (or $QUARVEL_RENDER)
set -euo pipefail

cd "$(dirname "$0")/.."
render=${QUARVEL_RENDER:-build/tools/quarvel-render}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

/usr/bin/python3 - "$work" <<'PY'
import sys
import numpy as np

y, x = np.mgrid[-1:1:120j, -1.5:1.5:120j]
for i in range(40):
    t = i / 40
    z = np.sin(6 * x - 2 * np.pi * t) * np.exp(-((x - 3 * t + 1.5) ** 2 + y ** 2) / 0.8)
    np.save("%s/wave-%d.npy" % (sys.argv[1], i), z)
PY
"$render" --series --series-sort natural --figure --size 480x360 --fps 10 --title "Travelling wave" \
  --frame-label "step {n} of {count}" --zlabel height "$work"/wave-*.npy docs/series.gif
ls -l docs/series.gif
