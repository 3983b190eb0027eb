#!/usr/bin/env bash
# Takes the README's screenshots: the real program on a virtual X display (Xvfb) with a window
# manager (openbox), with a private home whose desktop folder holds a few sample entries.
#   bash scripts/take_screenshot.sh [zh_CN|zh_TW|en_US]
# zh_CN (the default interface language) writes docs/screenshot.png, another language
# docs/screenshot-<language>.png. Needs xvfb, xauth, x11-utils, openbox, xdotool, imagemagick and a
# CJK font.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -x build/src/kelvane ]] || bash scripts/build.sh

language=${1:-zh_CN}
if [[ "${2:-}" != "--inside-display" ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$language" --inside-display
fi

if [[ "$language" == zh_CN ]]; then
    output=docs/screenshot.png
else
    output=docs/screenshot-$language.png
fi

# A fixed folder: its path shows in the picture.
work=/tmp/kelvane-screenshot
rm -rf "$work"
programs=()
cleanup() {
    for pid in "${programs[@]}"; do kill "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
home=$work/home
desktop="$home/Desktop"
mkdir -p "$desktop/Photos" "$desktop/Projects" "$desktop/Reports" "$home/.config/Kelvane"
head -c 2457600 /dev/zero > "$desktop/holiday-photos.zip"
head -c 184320 /dev/zero > "$desktop/annual-report.pdf"
head -c 5300 /dev/zero > "$desktop/notes.txt"
head -c 734003 /dev/zero > "$desktop/backup.tar.gz"
head -c 1200 /dev/zero > "$desktop/todo.md"
printf '[General]\nlanguage=%s\n' "$language" > "$home/.config/Kelvane/Kelvane.conf"

openbox > /dev/null 2>&1 &
programs+=($!)
sleep 1
HOME="$home" XDG_CONFIG_HOME="$home/.config" build/src/kelvane &
programs+=($!)
for _ in $(seq 50); do
    xwininfo -root -tree | grep -q 'Kelvane - ' && break
    sleep 0.2
done
# The pointer rests off the window, so no row shows the hover shade.
xdotool mousemove 0 0
sleep 2 # let the tree fill and paint

# The window is translucent round its panel; without a compositor that band shows black, so the
# picture is cut to the 780 x 620 panel inside the window's 10-pixel margin.
read -r x y < <(xwininfo -root -tree | awk '/Kelvane - / { split($NF, pos, "+"); print pos[2], pos[3]; exit }')
mkdir -p docs
import -window root -crop "780x620+$((x + 10))+$((y + 10))" +repage "$output"
echo "$output from the window at ($x, $y)"
