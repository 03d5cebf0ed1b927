#!/usr/bin/env bash
# format.sh [--check] [REV]: formats the C and C++ files changed since REV (default: every
# tracked file) with the tree's .clang-format; with --check changes nothing and fails, naming
# the files, when any of them is not formatted. CI runs it with --check.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
check=0
if [ "${1:-}" = --check ]; then
  check=1
  shift
fi
if ! command -v clang-format >/dev/null; then
  echo "clang-format not found (Debian: clang-format)" >&2
  exit 1
fi
patterns=('*.c' '*.cc' '*.cpp' '*.h')
if [ $# -gt 0 ]; then
  mapfile -t files < <(git diff --name-only --diff-filter=ACMR "$1" -- "${patterns[@]}")
else
  mapfile -t files < <(git ls-files -- "${patterns[@]}")
fi
[ ${#files[@]} -gt 0 ] || exit 0
if [ $check = 0 ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
bad=()
for f in "${files[@]}"; do
  clang-format --dry-run -Werror "$f" >/dev/null 2>&1 || bad+=("$f")
done
if [ ${#bad[@]} -gt 0 ]; then
  printf 'not formatted (run scripts/format.sh): %s\n' "${bad[@]}" >&2
  exit 1
fi
echo "format: ${#files[@]} files checked"
