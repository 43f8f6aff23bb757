#!/usr/bin/env bash
# Builds the parameter-file fuzzer with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in its own build directory and runs it for the
# given number of seconds (default 60). Exits non-zero on any finding; the input
# that triggered it is kept in the build directory as crash-* / timeout-* / oom-*.
#   bash scripts/fuzz-registry.sh [SECONDS [libFuzzer flags...]]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"

# The fuzz preset's build directory.
build=build-fuzz-registry

cmake --preset fuzz -DQUENNET_WERROR=ON
cmake --build --preset fuzz -j2

# New inputs go to a working corpus; the checked-in seeds stay as they are.
corpus="$build/corpus-registry"
mkdir -p "$corpus"
exec "$build/fuzz/registry_fuzz" "$corpus" fuzz/corpus/registry \
  -max_total_time="$seconds" -max_len=8192 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix="$build/" -print_final_stats=1 "${@:2}"
