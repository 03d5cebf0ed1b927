#!/usr/bin/env bash
# Installs the built library under a prefix with a two-level library directory, then builds and
# runs a consumer through find_package and through pkg-config, and runs the installed porttool.
# run.sh BUILD_DIR SOURCE_DIR WITH_PORTTOOL(0|1)
set -euo pipefail
build=$1 here=$2 with_porttool=${3:-1}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
export QUELMO=$prefix/share/Portability
unset MYQUELMO LD_LIBRARY_PATH # only the installed tree may serve the programs
fail() { echo "$*" >&2; exit 1; }

# The message-filtering component lies in the installed tree's bin/nt.
[ -f "$QUELMO/bin/nt/libQuelmoUtil.so" ] || fail "no libQuelmoUtil.so in $QUELMO/bin/nt"
cat >"$work/filter.xml" <<'XML'
<messagefilter>
  <application name="consumer"><type name="info" action="filter"/></application>
</messagefilter>
XML
check() { # the consumer's output: the extension, the message, filtering switched on by the component
  local out
  out=$("$1" "$work/filter.xml" 2>&1)
  grep -q '^extension \.v$' <<<"$out" && grep -q 'Consumer ran' <<<"$out" &&
    grep -q '^filtering on$' <<<"$out" && ! grep -q 'Filtered away\|Runtime library' <<<"$out" ||
    fail "unexpected output of $1: $out"
}
cmake -S "$here" -B "$work/cm" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/cm" >/dev/null
LD_LIBRARY_PATH=$(dirname "$(find "$prefix" -name 'libPortability.so' | head -1)") check "$work/cm/consumer"

# pkg-config: the library's own flags only. Its private dependencies are not named, so the flags
# come out even where their .pc files are missing (PKG_CONFIG_LIBDIR hides the system's).
pc=$(dirname "$(find "$prefix" -name portability.pc)")
flags=$(PKG_CONFIG_LIBDIR=$pc pkg-config --cflags --libs portability) ||
  fail "pkg-config needs more than portability.pc"
libdir=$(PKG_CONFIG_LIBDIR=$pc pkg-config --variable=libdir portability)
includedir=$(PKG_CONFIG_LIBDIR=$pc pkg-config --variable=includedir portability)
[ -f "$libdir/libPortability.so" ] || fail "pkg-config libdir $libdir has no library"
cflags=$(PKG_CONFIG_PATH=$pc pkg-config --cflags portability)
for flag in $cflags; do
  case $flag in
    "-I$includedir" | -I*boost*) ;;
    *) fail "pkg-config --cflags names more than the headers: $cflags" ;;
  esac
done
# shellcheck disable=SC2116,SC2086
libs=$(PKG_CONFIG_PATH=$pc pkg-config --libs --static portability)
# shellcheck disable=SC2086,SC2116 # echo drops pkg-config's trailing blank
[ "$(echo $libs)" = "-L$libdir -lPortability" ] || fail "pkg-config --libs names more than the library: $libs"
# shellcheck disable=SC2086
c++ -std=c++17 "$here/consumer.cc" -o "$work/pc-consumer" $flags
LD_LIBRARY_PATH=$libdir check "$work/pc-consumer"

# The installed tool finds the library through its run path, without LD_LIBRARY_PATH.
if [ "$with_porttool" = 1 ]; then
  [ -x "$prefix/bin/porttool" ] || fail "porttool is not installed in $prefix/bin"
  out=$("$prefix/bin/porttool" version 2>&1) || fail "installed porttool failed: $out"
  grep -q '^Release 1.1' <<<"$out" || fail "unexpected output of porttool version: $out"
fi
echo "consumer built and ran through find_package and pkg-config"
