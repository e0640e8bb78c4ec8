#!/usr/bin/env bash
# Installs what is missing, builds and runs every test: the native tests
# (scripted user, real files), the same under AddressSanitizer and UBSan, a
# short fuzzing run of the path handling, and the Windows program under Wine
# (with the release: the CD image, a second build compared byte for byte,
# signing, an installation from the image mounted as a CD-ROM drive).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-format.sh

for preset in native native-sanitize fuzz windows; do
  echo "== $preset"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
