#!/usr/bin/env bash
# Compiles the Windows resource script with MinGW's windres, so the Windows-only file cannot rot
# on a Linux build, and checks what landed in the compiled resources. Skipped (exit 77) without
# Debian's binutils-mingw-w64-x86-64.
set -euo pipefail
script=$1
# The folder of the generated kelvaneversion.h, which the script includes.
generated=$2
windres=x86_64-w64-mingw32-windres
command -v "$windres" >/dev/null || { echo "$windres is not installed"; exit 77; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$(dirname "$script")"
# The host preprocessor stands in for MinGW's gcc, which the script does not need.
"$windres" --preprocessor=cpp -I "$generated" -i "$(basename "$script")" -O coff -o "$work/resources.o"
"$windres" --preprocessor=cpp -I "$generated" -i "$(basename "$script")" -O rc -o "$work/decompiled.rc"

expect() {
    grep -qF -- "$1" "$work/decompiled.rc" || { echo "missing in compiled resources: $1"; exit 1; }
}
expect '"IDI_ICON1" 14 /* RT_GROUP_ICON */'
icons=$(grep -c '3 /\* RT_ICON \*/' "$work/decompiled.rc")
[[ $icons -eq 13 ]] || { echo "expected 13 icon images, found $icons"; exit 1; }
version_text=$(sed -n 's/^#define KELVANE_VERSION_TEXT "\(.*\)"$/\1/p' "$generated/kelvaneversion.h")
version_numbers=$(sed -n 's/^#define KELVANE_VERSION_RC //p' "$generated/kelvaneversion.h")
[[ -n $version_text && -n $version_numbers ]] || { echo "no version in $generated/kelvaneversion.h"; exit 1; }
expect "FILEVERSION $version_numbers"
expect "PRODUCTVERSION $version_numbers"
expect 'FILETYPE 0x1'
expect "VALUE \"FileVersion\", \"$version_text\""
expect "VALUE \"ProductVersion\", \"$version_text\""
expect 'VALUE "ProductName", "Kelvane"'
expect 'VALUE "OriginalFilename", "Kelvane.exe"'
expect 'VALUE "CompanyName"'
expect 'VALUE "LegalCopyright"'
echo "resource script compiles: icon group IDI_ICON1 with $icons images and the version record"
