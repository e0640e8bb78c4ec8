#!/usr/bin/env bash
# Makes the installation CD image (build/quorvan.iso by default) from a product
# folder (sample-cd/ by default) and the Windows build's setup.exe; signs
# setup.exe first when SETUP_SIGN_PKCS12 and SETUP_SIGN_PASSWORD are set.
# Options go to tools/make_cd.py (--help).
set -euo pipefail
# Relative paths are taken from the current folder.
exec python3 "$(dirname "$0")/../tools/make_cd.py" "$@"
