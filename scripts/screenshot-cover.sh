#!/usr/bin/env bash
# Saves docs/screenshots/resolved.png (the main window after 一键解析) and
# docs/screenshots/cover.png (the cover viewer), both of the real program used the way a
# user uses it, under a virtual X server. A loopback server stands in for the community
# site: the example address at start names its sound page (tests/data/sound_page.html
# with the cover pointed back at the server), 一键解析 resolves it and 查看封面 downloads
# the cover from it. Nothing leaves the machine.
# (scripts/screenshot-skin.sh shoots the same window from a test program instead.)
#   usage: scripts/screenshot-cover.sh [build folder, default build]
set -euo pipefail
source "$(dirname "$0")/lib/screenshot-common.sh"
font="$(fc-list :lang=zh file | head -1 | cut -d: -f1)"

mkdir -p "$work/site/sound" "$work/site/a"
sed "s#alt=\"cover\" src=\"[^\"]*\"#alt=\"cover\" src=\"http://127.0.0.1:$port/cover.png\"#" \
  "$root/tests/data/sound_page.html" > "$work/site/sound/4752"
convert -size 400x400 gradient:'#1d3b6e-#c85a8c' ${font:+-font "$font"} -fill white \
  -gravity center -pointsize 34 -annotate 0 '夜空中最亮的星\n（钢琴版）' "$work/site/cover.png"
echo '<html><body>about</body></html>' > "$work/site/a/jx.html"
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &

cat > "$work/shoot.sh" <<SHOT
#!/usr/bin/env bash
set -euo pipefail
export SONIVO_COMMUNITY_HOST=127.0.0.1:$port SONIVO_MAKER_SITE_HOST=127.0.0.1:$port
export SONIVO_PLAYER_HOST=127.0.0.1:9 SONIVO_DRIVE_C="$work/drive_c" SONIVO_DRIVE_D="$work/drive_d"
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
"$program" >"$work/program.log" 2>&1 &
find_window() {
  for i in \$(seq 1 100); do
    id=\$(xdotool search --onlyvisible --name "\$1" 2>/dev/null | head -1 || true)
    [ -n "\$id" ] && { echo "\$id"; return; }
    sleep 0.2
  done
  echo "no window named \$1" >&2; cat "$work/program.log" >&2; exit 1
}
main=\$(find_window "Sonivo")
sleep 1
# Client coordinates: 一键解析 and 查看封面 on the first page of 选择夹1 (152 pixels down).
xdotool mousemove --window "\$main" 420 196 click 1
sleep 1
import -window "\$main" "$work/resolved.png"
xdotool mousemove --window "\$main" 170 420 click 1
cover=\$(find_window "图片展示")
sleep 1
import -window "\$cover" "$work/cover.png"
xdotool key --window "\$cover" Escape
sleep 0.5
xdotool windowclose "\$main" 2>/dev/null || true
SHOT
chmod +x "$work/shoot.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$work/shoot.sh"

mkdir -p "$root/docs/screenshots"
cp "$work/resolved.png" "$root/docs/screenshots/resolved.png"
cp "$work/cover.png" "$root/docs/screenshots/cover.png"
echo "saved $root/docs/screenshots/resolved.png and cover.png"
