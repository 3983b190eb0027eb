#!/usr/bin/env bash
# Compiles the Windows resource script with MinGW's windres, so the Windows-only file cannot rot
# on a Linux build, and checks what landed in the compiled resources. Skipped (exit 77) without
# Debian's binutils-mingw-w64-x86-64.
set -euo pipefail
script=$1
windres=x86_64-w64-mingw32-windres
command -v "$windres" >/dev/null || { echo "$windres is not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$(dirname "$script")"
# The host preprocessor stands in for MinGW's gcc, which the script does not need.
"$windres" --preprocessor=cpp -i "$(basename "$script")" -O coff -o "$work/resources.o"
"$windres" --preprocessor=cpp -i "$(basename "$script")" -O rc -o "$work/decompiled.rc"

expect() {
    grep -qF -- "$1" "$work/decompiled.rc" || { echo "missing in compiled resources: $1"; exit 1; }
}
expect '"IDI_ICON1" 14 /* RT_GROUP_ICON */'
icons=$(grep -c '3 /\* RT_ICON \*/' "$work/decompiled.rc")
[[ $icons -eq 13 ]] || { echo "expected 13 icon images, found $icons"; exit 1; }
expect 'FILEVERSION 1, 0, 0, 1'
expect 'PRODUCTVERSION 1, 0, 0, 1'
expect 'FILETYPE 0x1'
expect 'VALUE "FileVersion", "1.0.0.01"'
expect 'VALUE "ProductVersion", "1.0.0.01"'
expect 'VALUE "ProductName", "Kelvane"'
expect 'VALUE "OriginalFilename", "Kelvane.exe"'
expect 'VALUE "CompanyName"'
expect 'VALUE "LegalCopyright"'
echo "resource script compiles: icon group IDI_ICON1 with $icons images and the version record"
