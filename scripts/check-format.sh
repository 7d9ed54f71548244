#!/usr/bin/env bash
# Fails when a C++ file of the tree is not laid out as clang-format-16 and the root
# .clang-format write it (braces on every branch included), and names those files.
# scripts/format.sh rewrites them in place.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
cd "$top"
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if ! clang-format-16 --dry-run --Werror "${files[@]}" 2>/tmp/check-format.$$; then
  grep -o '^[^:]*\.\(cpp\|h\):' /tmp/check-format.$$ | sort -u | sed 's/:$//; s/^/not formatted: /' >&2
  rm -f /tmp/check-format.$$
  echo "run scripts/format.sh" >&2
  exit 1
fi
rm -f /tmp/check-format.$$
