#!/usr/bin/env bash
# Installs what is missing, builds setup.exe and starts it under Wine from a
# scratch copy of the sample CD (tools/run_installer.py): on your display if
# there is one, else as a walk through the wizard on a private Xvfb that
# leaves a screenshot of every screen in build/run/screenshots/.
# Options go to run_installer.py (--tour: the walk even with a display;
# --medium IMAGE.iso: install from a CD image of scripts/make-cd.sh instead).
set -euo pipefail
# A relative image path is taken from the folder run.sh was started in.
export SETUP_RUN_FROM="$PWD"
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake --preset windows >/dev/null
cmake --build --preset windows

exec python3 tools/run_installer.py "$@"
