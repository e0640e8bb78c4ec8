#!/usr/bin/env bash
# Installs what is missing, builds both builds and runs every test:
# the native tests (scripted user, real files) and the Windows program under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset native
cmake --build --preset native
ctest --preset native

cmake --preset windows
cmake --build --preset windows
ctest --preset windows
