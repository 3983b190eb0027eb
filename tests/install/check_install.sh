#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the desktop integration files.
set -euo pipefail
build_dir=$1
app_id=org.kelvane.kelvane
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build_dir" --prefix "$prefix" >/dev/null

status=0
expect() {
    if [[ ! -f "$prefix/$1" ]]; then
        echo "missing from the installation: $1"
        status=1
    fi
}
expect bin/kelvane
expect share/applications/$app_id.desktop
expect share/metainfo/$app_id.metainfo.xml
expect share/icons/hicolor/scalable/apps/$app_id.svg
for size in 16 22 24 32 48 64 128 256; do
    png=share/icons/hicolor/${size}x${size}/apps/$app_id.png
    expect "$png"
    if [[ -f "$prefix/$png" ]] && ! file "$prefix/$png" | grep -q "PNG image data, $size x $size"; then
        echo "not a ${size}x${size} PNG: $png"
        status=1
    fi
done

desktop_file=$prefix/share/applications/$app_id.desktop
desktop-file-validate "$desktop_file" || status=1
# The program opens no file given on its command line, so the launcher must not offer it for files.
if grep -Eq '^(MimeType=|Exec=.*%[fFuU])' "$desktop_file"; then
    echo "the launcher declares file types or file arguments the program ignores"
    status=1
fi
appstreamcli validate --no-net --pedantic "$prefix/share/metainfo/$app_id.metainfo.xml" || status=1

exit $status
