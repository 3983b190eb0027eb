#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, only when some are missing.
set -euo pipefail

packages=(
    # toolchain
    g++ make cmake pkg-config clang-format
    # toolkit, its tools, SVG icons and its own catalogues
    qt6-base-dev qt6-base-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
    qt6-svg-dev libqt6svg6 qt6-translations-l10n libgl-dev
    # a font with Chinese glyphs: a fresh desktop has none, and the interface is Chinese by default
    fonts-noto-cjk
    # ZIP engine, and libarchive for the read-only formats
    libzip-dev zlib1g-dev libarchive-dev
    # the external archive programs the engine runs
    tar gzip bzip2 xz-utils p7zip-full
    # gzip and bzip2 on every core, and zstd
    pigz lbzip2 zstd
    # desktop integration checks and packaging; man checks the manual page
    desktop-file-utils appstream dpkg-dev file man-db
    # independent readers and writers the tests cross-check with
    zip unzip libarchive-tools
    # writers of the read-only formats' test archives: ISO images, cab, tar under lz4, lzip and lzma
    xorriso gcab lz4 lzip
    # MinGW's windres, which compiles the Windows resource script in a Linux test run
    binutils-mingw-w64-x86-64
    # the hostile-archive tests write their archives with python3's zipfile and tarfile
    python3
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing missing packages: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
