#!/usr/bin/env bash
# Configures and builds one build directory: build.sh DIR [cmake options...] [-- TARGET...]
# Without targets everything is built.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dir=$1
shift
options=() targets=()
while [ $# -gt 0 ]; do
  if [ "$1" = -- ]; then
    shift
    targets=(--target "$@")
    break
  fi
  options+=("$1")
  shift
done
launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$root" -B "$dir" -G Ninja "${launcher[@]}" "${options[@]}" >/dev/null
cmake --build "$dir" "${targets[@]}"
