#!/usr/bin/env bash
# Builds the two programs in Release (the release preset: no tests, no benchmarks) and makes
# the Debian package with CPack; prints where it is. Its dependencies come from dpkg-shlibdeps.
#   bash scripts/package.sh            # then: sudo apt-get install ./build-release/quennet_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release -DQUENNET_WERROR=ON
cmake --build --preset release -j2
(cd build-release && cpack -G DEB)
ls build-release/quennet_*.deb
