#!/usr/bin/env bash
# Quick start, part one: installs what is missing, builds, and runs the example tool on the
# installation tree that ships with the project (unless QUELMO already names one).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
"$root/scripts/deps.sh"
# Only the library and the tool: the tests and benchmarks are scripts/test.sh's business.
"$root/scripts/build.sh" "$root/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -- porttool
export QUELMO=${QUELMO:-$root/install}
set +e
"$root/build/examples/porttool" "$@"
status=$?
echo "porttool exited with status $status"
