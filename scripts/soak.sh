#!/usr/bin/env bash
# The soak: the real main window on the software device for many frames, with the
# parameters, the picture size and loaded parameter files changing at random (see
# tests/reliability/Soak.cpp). Builds it in the README's build directory (or
# QUENNET_SOAK_BUILD) and runs it; the last line says how many checks passed.
#   bash scripts/soak.sh short   # CI: 5,000 frames
#   bash scripts/soak.sh long    # by hand: 100,000 frames, a few minutes
#   bash scripts/soak.sh long --seed 9 --width 320 --height 300   # extra soak options
set -euo pipefail
cd "$(dirname "$0")/.."
form="${1:-short}"
build="${QUENNET_SOAK_BUILD:-build}"
case "$form" in
  short) frames=5000 ;;
  long) frames=100000 ;;
  *) echo "usage: $0 short|long [soak options]" >&2; exit 2 ;;
esac

if [ ! -f "$build/build.ninja" ]; then
  cmake --preset default -B "$build" -DQUENNET_WERROR=ON
fi
cmake --build "$build" --target quennet_soak -j2
QT_QPA_PLATFORM=offscreen exec "$build/tests/reliability/quennet_soak" --frames "$frames" "${@:2}"
