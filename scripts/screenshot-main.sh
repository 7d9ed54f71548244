#!/usr/bin/env bash
# Saves docs/screenshots/main-window.png: the main window with each of its three pages,
# side by side, taken from the real program under a virtual X server. The about page is
# served by a loopback server started here, so nothing leaves the machine.
#   usage: scripts/screenshot-main.sh [build folder, default build]
set -euo pipefail
source "$(dirname "$0")/lib/screenshot-common.sh"

mkdir -p "$work/site/a"
cat > "$work/site/a/jx.html" <<'HTML'
<html><head><meta charset="utf-8"></head><body style="font-family:sans-serif">
<h3>关于作者</h3><p>Tavex 制作的 Sonivo 音乐社区解析助手。</p>
<p>粘贴声音页面的地址，一键解析，即可下载、试听、查看封面。</p></body></html>
HTML
python3 -m http.server "$port" --bind 127.0.0.1 --directory "$work/site" >/dev/null 2>&1 &

cat > "$work/shoot.sh" <<SHOT
#!/usr/bin/env bash
set -euo pipefail
export SONIVO_MAKER_SITE_HOST=127.0.0.1:$port SONIVO_COMMUNITY_HOST=www.sonivo.example
export SONIVO_PLAYER_HOST=127.0.0.1:9 SONIVO_DRIVE_C="$work/drive_c" SONIVO_DRIVE_D="$work/drive_d"
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
"$program" >"$work/program.log" 2>&1 &
for i in \$(seq 1 100); do
  id=\$(xdotool search --onlyvisible --name "Sonivo" 2>/dev/null | head -1 || true)
  [ -n "\$id" ] && break
  sleep 0.2
done
[ -n "\$id" ] || { echo "the window did not appear" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 1
# The tabs of 选择夹1 lie at the top of the tab control, 152 pixels down the client area.
for page in 0 1 2; do
  xdotool mousemove --window "\$id" \$((30 + page * 62)) 162 click 1
  sleep \$([ \$page -eq 2 ] && echo 4 || echo 1)
  eval "\$(xdotool getwindowgeometry --shell "\$id")"
  import -window root -crop "\${WIDTH}x\${HEIGHT}+\${X}+\${Y}" +repage "$work/page\$page.png"
done
xdotool windowclose "\$id" 2>/dev/null || xdotool key --window "\$id" alt+F4 || true
SHOT
chmod +x "$work/shoot.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$work/shoot.sh"

mkdir -p "$root/docs/screenshots"
convert "$work/page0.png" "$work/page1.png" "$work/page2.png" -bordercolor white -border 6 +append \
  "$root/docs/screenshots/main-window.png"
echo "saved $root/docs/screenshots/main-window.png"
