#!/usr/bin/env bash
# Takes docs/screenshot.png: the real program on a virtual X display (Xvfb), with a private home
# whose desktop folder holds a few sample entries. Needs xvfb, xauth, x11-utils and imagemagick.
set -euo pipefail
cd "$(dirname "$0")/.."
[[ -x build/src/kelvane ]] || bash scripts/build.sh

if [[ "${1:-}" != "--inside-display" ]]; then
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" --inside-display
fi

home=/tmp/kelvane-screenshot/home
rm -rf "$home"
trap 'rm -rf /tmp/kelvane-screenshot' EXIT
desktop="$home/Desktop"
mkdir -p "$desktop/Photos" "$desktop/Projects" "$desktop/Reports"
head -c 2457600 /dev/zero > "$desktop/holiday-photos.zip"
head -c 184320 /dev/zero > "$desktop/annual-report.pdf"
head -c 5300 /dev/zero > "$desktop/notes.txt"
head -c 734003 /dev/zero > "$desktop/backup.tar.gz"
head -c 1200 /dev/zero > "$desktop/todo.md"

HOME="$home" XDG_CONFIG_HOME="$home/.config" build/src/kelvane &
program=$!
for _ in $(seq 50); do
    xwininfo -root -tree | grep -q 'Kelvane - ' && break
    sleep 0.2
done
sleep 2 # let the tree fill and paint

# The window is translucent round its panel; without a compositor that band shows black, so the
# picture is cut to the 780 x 620 panel inside the window's 10-pixel margin.
read -r x y < <(xwininfo -root -tree | awk '/Kelvane - / { split($NF, pos, "+"); print pos[2], pos[3]; exit }')
mkdir -p docs
import -window root -crop "780x620+$((x + 10))+$((y + 10))" +repage docs/screenshot.png
kill "$program"
echo "docs/screenshot.png from the window at ($x, $y)"
