#!/usr/bin/env bash
# Installs what is missing, builds the program and starts it (under xvfb-run when no display is set).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake --preset default -DQUENNET_WERROR=ON
cmake --build --preset default
if [ -x build/src/app/quennet ]; then
  if [ -n "${DISPLAY:-}" ]; then exec build/src/app/quennet; fi
  exec xvfb-run -a -s "-screen 0 1280x1024x24" build/src/app/quennet
fi
echo "quennet is not built yet; the libraries and tests are." >&2
