#!/usr/bin/env bash
# The software device's frame next to an OpenGL reference program's, side by side in one run,
# at 320x300, 640x600, 1920x1080 and 3840x2160, three runs each (take the best), by default
# and on one thread.
#   bash scripts/speed-table.sh PEER [path/to/quennet-render]
# PEER is a program run as `PEER W H FRAMES` that prints frame_ms=<milliseconds>.
set -euo pipefail
cd "$(dirname "$0")/.."
peer="${1:?usage: speed-table.sh PEER [quennet-render]}"
render="${2:-build/tools/quennet-render/quennet-render}"
[ -x "$render" ] || { echo "speed-table: no quennet-render at $render" >&2; exit 1; }
phases() {
  awk '$1 == "draw" { d = $2 } $1 == "present" { p = $2 } $1 == "frame" { f = $2 }
       END { printf "frame=%s draw=%s present=%s", f, d, p }'
}
for size in 320x300 640x600 1920x1080 3840x2160; do
  w=${size%x*}
  h=${size#*x}
  for run in 1 2 3; do
    ref=$(timeout 120 "$peer" "$w" "$h" 300 2> /dev/null | sed -n 's/.*frame_ms=\([0-9.]*\).*/\1/p')
    ours=$(timeout 120 "$render" --device software --bench --size "$size" | phases)
    one=$(timeout 120 "$render" --device software --bench --one-thread --size "$size" | phases)
    echo "$size run$run peer=$ref software $ours one-thread $one"
  done
done
