#!/usr/bin/env bash
# Takes the README's screenshots from the real program: the main menu and the first adventure
# scene, written as small PNGs to docs/. The program runs headless with a fresh data folder and is
# driven through the test agent (the harness plug-in the end-to-end tests use), which also reads the
# presented frame back.
#   tools/screenshots.sh [BUILD_DIR]      (default build/test; needs harrowmere and libe2eagent.so)
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$here/build/test}" && pwd)"
bin="$build/bin"
for f in harrowmere libe2eagent.so; do
  [[ -f "$bin/$f" ]] || { echo "screenshots: $bin/$f is missing; build it first" >&2; exit 1; }
done
work="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"' EXIT
mkdir -p "$work/game" "$work/control" "$work/data" "$work/run" "$here/docs"
chmod 700 "$work/run"
cp "$bin/harrowmere" "$work/game/"
cp "$bin/libe2eagent.so" "$work/game/vxHarness.dll"
cp -r "$here/assets" "$work/game/assets"

cd "$work"
export XDG_DATA_HOME="$work/data" XDG_DESKTOP_DIR="$work/desk" XDG_RUNTIME_DIR="$work/run" TM_E2E_DIR="$work/control"
export SDL_VIDEODRIVER=offscreen SDL_AUDIODRIVER=dummy LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true
export ASAN_OPTIONS=detect_leaks=0
./game/harrowmere --multiple >"$work/stdout.txt" 2>&1 &
pid=$!

python3 - "$work" "$here/docs" <<'PY'
import os, sys, time, zlib, struct
work, docs = sys.argv[1], sys.argv[2]
control = os.path.join(work, "control")
serial = [0]

def send(command, timeout=30.0):
    serial[0] += 1
    n = serial[0]
    tmp = os.path.join(control, "cmd.tmp")
    with open(tmp, "w") as f:
        f.write(command + "\n")
    os.rename(tmp, os.path.join(control, "cmd.%d" % n))
    done = os.path.join(control, "done.%d" % n)
    end = time.time() + timeout
    while time.time() < end:
        if os.path.exists(done):
            with open(done) as f:
                return f.readline().strip()
        time.sleep(0.01)
    return ""

def wait_for(query, expected, timeout=60.0):
    end = time.time() + timeout
    while time.time() < end:
        if send(query) == expected:
            return True
        time.sleep(0.05)
    return False

def settle(turns=10):
    for _ in range(turns):
        send("modals")

def click_window(name):
    rect = send("rect " + name).split()
    if len(rect) != 4:
        return False
    l, t, r, b = map(int, rect)
    send("activate"); settle(3)
    send("move %d %d" % ((l + r) // 2, (t + b) // 2)); settle(3)
    ok = send("clickwin " + name) == "ok"
    settle(5)
    return ok

def click(x, y):
    send("move %d %d" % (x, y)); settle(2)
    send("click %d %d" % (x, y)); settle(3)

def fail(why):
    sys.exit("screenshots: " + why)

# Halves the frame (2x2 averages), keeps 6 bits a channel, and writes it as an RGB PNG with a
# per-row filter: small files that still look like the screen.
def save_png(ppm, out):
    data = open(ppm, "rb").read()
    head = data.split(b"\n", 3)
    w, h = map(int, head[1].split())
    px = head[3]
    ow, oh = w // 2, h // 2
    rows, prev = [], bytes(ow * 3)
    for y in range(oh):
        line = bytearray()
        a, b = 2 * y * w * 3, (2 * y + 1) * w * 3
        for x in range(ow):
            for c in range(3):
                i = 2 * x * 3 + c
                v = (px[a + i] + px[a + i + 3] + px[b + i] + px[b + i + 3] + 2) // 4
                line.append(min(v + 2, 255) & 0xFC)
        line = bytes(line)
        sub = bytes((line[i] - (line[i - 3] if i >= 3 else 0)) & 255 for i in range(len(line)))
        up = bytes((line[i] - prev[i]) & 255 for i in range(len(line)))
        cost = lambda r: sum(v if v < 128 else 256 - v for v in r)
        kind, best = min(((0, line), (1, sub), (2, up)), key=lambda k: cost(k[1]))
        rows.append(bytes([kind]) + best)
        prev = line
    def chunk(t, d):
        return struct.pack(">I", len(d)) + t + d + struct.pack(">I", zlib.crc32(t + d) & 0xffffffff)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", ow, oh, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b"")
    open(out, "wb").write(png)
    print("screenshots: wrote", out, "(%d bytes)" % len(png))

def shot(name):
    ppm = os.path.join(work, "shot.ppm")
    if send("shot " + ppm) != "ok":
        fail("no frame for " + name)
    save_png(ppm, os.path.join(docs, name))

if send("modals", 120) == "":
    fail("the program did not answer")
# First start: a player's name, then the main menu once its cover has faded.
if not wait_for("visible nameedit", "yes"):
    fail("no name dialog")
send("text Ada"); settle()
if not click_window("ok") or not wait_for("visible play", "yes"):
    fail("no main menu")
wait_for("alpha transition", "0.00", 60)
settle(30)
shot("screenshot-menu.png")
# Play, then click through the chapter card and the cutscene to the first adventure scene.
settle(40)
for attempt in range(3):
    click_window("play")
    if wait_for("visible locationImage", "yes", 20):
        break
else:
    fail("Play opened no scene (top window: %s)" % send("top"))
# The chapter card shows its location picture and a cutscene its speaker's name box; the first
# screen with neither is where play begins.
def playable():
    return (send("visible scene") == "yes" and send("visible locationImage") != "yes"
            and send("box? nameText") == "missing")
end = time.time() + 120
while time.time() < end and not playable():
    settle(20)
    click(512, 400)
if not playable():
    fail("no playable scene reached (scene %s)" % send("scene"))
settle(80)
# The first visit opens a briefing; the player reads it and closes it.
if wait_for("visible briefingok", "yes", 8.0):
    click_window("briefingok"); settle(20)
send("move 700 400"); settle(10)
shot("screenshot-scene.png")
send("key 27"); settle(5)
PY
