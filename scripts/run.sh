#!/usr/bin/env bash
# Builds Morvalen and starts it. On first start the per-user data folder is filled with the
# delivered databases from the build; later starts keep the clinic's data as it is.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build --target morvalen
exec build/bin/morvalen "$@"
