#!/usr/bin/env bash
# Starts the program under Xvfb on a scratch copy of the delivered data, opens every window
# in turn and writes one PNG per window into the given folder (default: build/tour).
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-build/tour}
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --target morvalen_tour
rm -rf "$out"
xvfb-run -a -s "-screen 0 1366x900x24" build/bin/morvalen_tour "$out"
