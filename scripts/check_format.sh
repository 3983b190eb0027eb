#!/usr/bin/env bash
# Fails when a tracked C++ file differs from what clang-format (and the root .clang-format) makes of it.
#   bash scripts/check_format.sh [--fix]
set -euo pipefail
cd "$(dirname "$0")/.."
command -v clang-format >/dev/null || bash scripts/deps.sh
mapfile -d '' files < <(git ls-files -z -- '*.cpp' '*.h')
if [[ "${1:-}" == "--fix" ]]; then
    clang-format -i "${files[@]}"
    exit 0
fi
clang-format --dry-run --Werror "${files[@]}"
echo "clang-format: ${#files[@]} files formatted as .clang-format asks"
