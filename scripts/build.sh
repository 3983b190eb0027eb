#!/usr/bin/env bash
# Configures and builds into build/ (installing what is missing first).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKELVANE_WERROR="${KELVANE_WERROR:-OFF}"
cmake --build build --parallel "$(nproc)"
