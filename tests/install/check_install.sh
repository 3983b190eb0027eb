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
expect bin/kelvane-cli
expect share/man/man1/kelvane-cli.1.gz
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
service_menus=("$prefix/share/kio/servicemenus/$app_id.extract.desktop" "$prefix/share/kio/servicemenus/$app_id.compress.desktop")
nemo_actions=("$prefix/share/nemo/actions/$app_id.extract-here.nemo_action"
              "$prefix/share/nemo/actions/$app_id.extract-to.nemo_action"
              "$prefix/share/nemo/actions/$app_id.compress.nemo_action")
for file in "${service_menus[@]}" "${nemo_actions[@]}"; do
    expect "${file#"$prefix/"}"
done
if ((status)); then
    exit $status
fi

# The registry's list, from the program the build asks.
registry_types=$("$build_dir/packaging/listmimetypes" | tr '\n' ';')
desktop_file=$prefix/share/applications/$app_id.desktop
metainfo=$prefix/share/metainfo/$app_id.metainfo.xml

# desktop-file-validate reports some errors with a zero exit status, so its output decides.
validate_desktop() {
    local report
    report=$(desktop-file-validate "$1" 2>&1) || true
    if [[ -n "$report" ]]; then
        echo "$report"
        status=1
    fi
}
validate_desktop "$desktop_file"
for file in "${service_menus[@]}"; do
    validate_desktop "$file"
done
appstreamcli validate --no-net --pedantic "$metainfo" || status=1

key_value() { # file key: the value of the first line "key=value"
    sed -n "s/^$2=//p" "$1" | head -n 1
}
check_equal() { # what expected actual
    if [[ "$2" != "$3" ]]; then
        printf '%s\n  expected: %s\n  found:    %s\n' "$1" "$2" "$3"
        status=1
    fi
}
check_equal "the launcher's MimeType" "$registry_types" "$(key_value "$desktop_file" MimeType)"
check_equal "the launcher's Exec" "kelvane %F" "$(key_value "$desktop_file" Exec)"
check_equal "the AppStream media types" "$registry_types" \
    "$(sed -n 's|^ *<mediatype>\(.*\)</mediatype>$|\1|p' "$metainfo" | tr '\n' ';')"
check_equal "the extraction service menu's MimeType" "$registry_types" \
    "$(key_value "${service_menus[0]}" MimeType)"
for file in "${nemo_actions[@]:0:2}"; do
    check_equal "$(basename "$file")'s Mimetypes" "$registry_types" "$(key_value "$file" Mimetypes)"
done
if [[ ! -x "${service_menus[0]}" || ! -x "${service_menus[1]}" ]]; then
    echo "the service menus are not executable"
    status=1
fi
# Every action names itself in English and both Chinese scripts and calls the window's batch commands.
for file in "${service_menus[@]}" "${nemo_actions[@]}"; do
    for key in 'Name' 'Name\[zh_CN\]' 'Name\[zh_TW\]'; do
        if ! grep -Eq "^$key=" "$file"; then
            echo "$(basename "$file") lacks $key"
            status=1
        fi
    done
    if grep '^Exec=' "$file" | grep -Evq '^Exec=kelvane (%F|--extract-here %F|--extract-to "" %F|--compress "" %F)$'; then
        echo "$(basename "$file") runs something other than the window's commands"
        status=1
    fi
done

# The command-line program links no widgets and shows its help.
if ldd "$prefix/bin/kelvane-cli" | grep -Eq 'libQt6(Gui|Widgets)'; then
    echo "kelvane-cli links Qt Gui or Widgets"
    status=1
fi
"$prefix/bin/kelvane-cli" --help >/dev/null || status=1
if ! zcat "$prefix/share/man/man1/kelvane-cli.1.gz" | man --warnings -l - >/dev/null 2>"$prefix/man-warnings"; then
    status=1
fi
if [[ -s "$prefix/man-warnings" ]]; then
    cat "$prefix/man-warnings"
    status=1
fi

exit $status
