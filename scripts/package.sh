#!/usr/bin/env bash
# Builds the Debian package kelvane_<version>_<arch>.deb into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
(cd build && cpack -G DEB)
