#!/usr/bin/env bash
# Installs the built library under a prefix with a two-level library directory, then builds and
# runs a consumer through find_package and through pkg-config. run.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1 here=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
export QUELMO=$prefix/share/Portability
check() { # the consumer's output must show the extension and the message
  local out
  out=$("$1" 2>&1)
  grep -q '^extension \.v$' <<<"$out" && grep -q 'Consumer ran' <<<"$out" || {
    echo "unexpected output of $1: $out" >&2
    return 1
  }
}
cmake -S "$here" -B "$work/cm" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cm" >/dev/null
LD_LIBRARY_PATH=$(dirname "$(find "$prefix" -name 'libPortability.so' | head -1)") check "$work/cm/consumer"
pc=$(dirname "$(find "$prefix" -name portability.pc)")
flags=$(PKG_CONFIG_PATH=$pc pkg-config --cflags --libs portability)
libdir=$(PKG_CONFIG_PATH=$pc pkg-config --variable=libdir portability)
[ -f "$libdir/libPortability.so" ] || { echo "pkg-config libdir $libdir has no library" >&2; exit 1; }
# shellcheck disable=SC2086
c++ -std=c++17 "$here/consumer.cc" -o "$work/pc-consumer" $flags
LD_LIBRARY_PATH=$libdir check "$work/pc-consumer"
echo "consumer built and ran through find_package and pkg-config"
