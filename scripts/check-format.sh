#!/usr/bin/env bash
# Fails when a C++ source of the repository is not as clang-format lays it out.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "clang-format: $(git ls-files '*.cpp' '*.h' | wc -l) files as laid out"
