#!/usr/bin/env bash
# One frame of the program in a real window, StepFrame to the screen, on a virtual X display
# (Qt's xcb platform), at 640x600 and 1920x1080, next to the frame step alone. Extra
# arguments go to the benchmark (e.g. --benchmark_repetitions=3).
#   bash scripts/window-bench.sh [path/to/quennet_bench_window] [benchmark options...]
set -euo pipefail
cd "$(dirname "$0")/.."
bench="$(realpath "${1:-build/bench/quennet_bench_window}")"
shift || true
[ -x "$bench" ] || { echo "window-bench: no benchmark at $bench" >&2; exit 1; }
command -v xvfb-run > /dev/null || { echo "window-bench: xvfb-run is missing (scripts/install-deps.sh)" >&2; exit 1; }
# The screen is larger than the largest picture, so no part of the window is cut off.
QT_QPA_PLATFORM=xcb QT_LOGGING_RULES="default.warning=false" \
  xvfb-run -a -s "-screen 0 2560x1600x24" "$bench" "$@"
