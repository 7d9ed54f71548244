#!/usr/bin/env bash
# Saves docs/screenshots/download.png: the 下载中心 page of the real program in the middle
# of a download, the bar part-way and the label filled, under a virtual X server. A
# loopback server started here serves the sound page (the example address points at it)
# and the audio file in byte ranges, each range held back a little so that the picture
# can be taken while the transfer runs. Nothing leaves the machine.
#   usage: scripts/screenshot-download.sh [build folder, default build]
set -euo pipefail
source "$(dirname "$0")/lib/screenshot-common.sh"

# The sound page fixture, its audio address pointing at this server.
sed "s|https://audio.sonivo.example/sound/2019/05/8842.mp3?sign=7f3a9c&amp;t=1558400000|http://127.0.0.1:$port/audio/8842.mp3|" \
  "$root/tests/data/sound_page.html" > "$work/page.html"
head -c 409600 /dev/urandom > "$work/audio.bin"

cat > "$work/server.py" <<'PY'
# Sound page and audio file with Range support; every range waits RANGE_DELAY first.
# Stops by itself after LIFETIME seconds or MAX_REQUESTS requests.
import http.server, itertools, re, sys, threading, time

page = open(sys.argv[2], "rb").read()
audio = open(sys.argv[3], "rb").read()
RANGE_DELAY, LIFETIME, MAX_REQUESTS = 0.25, 60, 100
served = itertools.count(1)

class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def answer(self, status, body, headers=()):
        self.send_response(status)
        for name, value in headers:
            self.send_header(name, value)
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def do_GET(self):
        if next(served) > MAX_REQUESTS:
            threading.Thread(target=server.shutdown).start()
            return self.answer(503, b"")
        if self.path.startswith("/sound/"):
            return self.answer(200, page, [("Content-Type", "text/html; charset=utf-8")])
        if not self.path.startswith("/audio/"):
            return self.answer(404, b"")
        ranged = re.fullmatch(r"bytes=(\d+)-(\d*)", self.headers.get("Range", ""))
        if not ranged:
            return self.answer(200, audio, [("Content-Type", "audio/mpeg")])
        first = int(ranged.group(1))
        last = min(int(ranged.group(2) or len(audio) - 1), len(audio) - 1)
        if first >= len(audio):
            return self.answer(416, b"", [("Content-Range", "bytes */%d" % len(audio))])
        time.sleep(RANGE_DELAY)
        self.answer(206, audio[first:last + 1],
                    [("Content-Type", "audio/mpeg"),
                     ("Content-Range", "bytes %d-%d/%d" % (first, last, len(audio)))])

server = http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Handler)
threading.Timer(LIFETIME, server.shutdown).start()
server.serve_forever()
PY
python3 "$work/server.py" "$port" "$work/page.html" "$work/audio.bin" &

cat > "$work/shoot.sh" <<SHOT
#!/usr/bin/env bash
set -euo pipefail
export SONIVO_COMMUNITY_HOST=127.0.0.1:$port SONIVO_MAKER_SITE_HOST=127.0.0.1:9
export SONIVO_PLAYER_HOST=127.0.0.1:9 SONIVO_DRIVE_C="$work/drive_c" SONIVO_DRIVE_D="$work/drive_d"
export QTWEBENGINE_CHROMIUM_FLAGS="--disable-gpu"
"$program" >"$work/program.log" 2>&1 &
program_pid=\$!
for i in \$(seq 1 100); do
  id=\$(xdotool search --onlyvisible --name "Sonivo" 2>/dev/null | head -1 || true)
  [ -n "\$id" ] && break
  sleep 0.2
done
[ -n "\$id" ] || { echo "the window did not appear" >&2; cat "$work/program.log" >&2; exit 1; }
sleep 1
# Client coordinates: 选择夹1 starts 152 pixels down; 解析 sits at (383, 32) on its first
# page, 下载 at (119, 223) on the second, whose tab is the second of the row.
xdotool mousemove --window "\$id" 420 196 click 1
sleep 1
xdotool mousemove --window "\$id" 92 162 click 1
sleep 0.5
xdotool mousemove --window "\$id" 231 395 click 1
# 20 ranges of 20480 bytes, a quarter of a second each: part-way after two seconds.
sleep 2
eval "\$(xdotool getwindowgeometry --shell "\$id")"
import -window root -crop "\${WIDTH}x\${HEIGHT}+\${X}+\${Y}" +repage "$work/download.png"
kill "\$program_pid" 2>/dev/null || true
SHOT
chmod +x "$work/shoot.sh"
xvfb-run -a -s "-screen 0 1024x768x24" "$work/shoot.sh"

mkdir -p "$root/docs/screenshots"
cp "$work/download.png" "$root/docs/screenshots/download.png"
echo "saved $root/docs/screenshots/download.png"
