#!/usr/bin/env bash
# Builds and launches Kelvane.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
exec build/src/kelvane
