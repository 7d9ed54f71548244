#!/usr/bin/env bash
# Lays out every C++ file of the tree as clang-format-16 and the root .clang-format say.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format-16 -i
