# Sourced by run.sh and smoke.sh: the fuzz build directory, configured and built on demand.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
fuzz_build=${PORTABILITY_FUZZ_BUILD:-$root/build-fuzz}
# The library reads its installation tree when it is loaded.
export QUELMO=${QUELMO:-$root/install}
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

fuzz_build_targets() {
  if [ ! -f "$fuzz_build/build.ninja" ]; then
    local launcher=()
    if command -v ccache >/dev/null; then
      launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    CC=clang CXX=clang++ cmake -S "$root" -B "$fuzz_build" -G Ninja "${launcher[@]}" \
      -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPORTABILITY_BUILD_FUZZ=ON \
      -DPORTABILITY_BUILD_TESTS=OFF -DPORTABILITY_BUILD_BENCH=OFF \
      -DPORTABILITY_BUILD_EXAMPLES=OFF >/dev/null
  fi
  cmake --build "$fuzz_build" --target "$@"
}

# fuzz_run NAME [libFuzzer options...]: new inputs go to a scratch corpus in the build
# directory; the seed corpus in the project is only read. A dictionary fuzz/NAME.dict is used
# when there is one, and fuzz/NAME.options holds further libFuzzer options for the target.
fuzz_run() {
  local name=$1
  shift
  local work=$fuzz_build/corpus/$name artifacts=$fuzz_build/artifacts/$name/
  mkdir -p "$work" "$artifacts"
  local dict=() options=()
  [ -f "$root/fuzz/$name.dict" ] && dict=(-dict="$root/fuzz/$name.dict")
  [ -f "$root/fuzz/$name.options" ] && read -r -a options <"$root/fuzz/$name.options"
  dict+=("${options[@]}")
  "$fuzz_build/fuzz/${name}_fuzz" -artifact_prefix="$artifacts" -timeout=60 -rss_limit_mb=2048 \
    "${dict[@]}" "$@" "$work" "$root/fuzz/corpus/$name"
}
