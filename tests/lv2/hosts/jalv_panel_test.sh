#!/bin/sh
# jalv.gtk3 on a dummy JACK server under an X server of its own: the panel opens
# embedded in jalv's window (a 600 x 36 window inside it), and a real click on
# step 3 changes that button's pixels and nothing else. Leaves jalv.png, the
# window as a user sees it, in SCRATCH.
# Usage: xvfb-run -a -s "-screen 0 800x200x24" jalv_panel_test.sh BUNDLE SCRATCH
set -eu
bundle=$1 scratch=$2
for tool in jalv.gtk3 jackd xwininfo xdotool import python3; do
  command -v $tool >/dev/null || { echo "QUELT-SKIPPED: $tool is not installed"; exit 0; }
done
rm -rf "$scratch"
mkdir -p "$scratch/lv2"
ln -s "$bundle" "$scratch/lv2/Quelt.lv2"
export LV2_PATH="$scratch/lv2" HOME="$scratch" JACK_NO_AUDIO_RESERVATION=1 JACK_DEFAULT_SERVER="quelt-$$"
jackd -r -d dummy -r 48000 -p 512 >"$scratch/jackd.log" 2>&1 &
jack=$!
jalv=""
trap 'kill $jalv $jack 2>/dev/null || true' EXIT
sleep 2
jalv.gtk3 urn:quelt:gate >"$scratch/jalv.log" 2>&1 &
jalv=$!

# The panel: the toolkit's 600 x 36 window ("Plugin..." its class) below jalv's
# top-level window, which jalv names after the plug-in.
panel=""
for _ in $(seq 50); do
  panel=$(xwininfo -root -tree | awk '/"Plugin/ && / 600x36\+/ {print $1; exit}')
  [ -n "$panel" ] && break
  sleep 0.2
done
[ -n "$panel" ] || { echo "no panel window"; cat "$scratch/jalv.log"; exit 1; }
top=$(xdotool search --sync --name '^Quelt$' | head -n 1)
xwininfo -tree -id "$top" | grep -q "$panel" || { echo "the panel is not inside jalv's window"; exit 1; }
x=$(xwininfo -id "$panel" | awk '/Absolute upper-left X/ {print $4}')
y=$(xwininfo -id "$panel" | awk '/Absolute upper-left Y/ {print $4}')
echo "panel $panel at $x,$y inside jalv's window $top"

sleep 1
import -window root -crop "600x$((y + 36))+0+0" "$scratch/jalv.png"
import -window root -crop "600x36+$x+$y" -depth 8 "ppm:$scratch/before.ppm"
xdotool mousemove $((x + 135)) $((y + 18))
sleep 0.2
xdotool click 1
sleep 1
import -window root -crop "600x36+$x+$y" -depth 8 "ppm:$scratch/after.ppm"

python3 - "$scratch/before.ppm" "$scratch/after.ppm" <<'PY'
import sys
def pixels(path):
    data = open(path, "rb").read()
    header = data.split(b"\n", 3)
    width, height = map(int, header[1].split())
    return width, header[3]
(w, a), (_, b) = pixels(sys.argv[1]), pixels(sys.argv[2])
changed = [(i // 3 % w, i // 3 // w) for i in range(0, len(a), 3) if a[i:i + 3] != b[i:i + 3]]
print(f"{len(changed)} pixels changed")
step3 = lambda p: 123 <= p[0] < 147 and 6 <= p[1] < 30
if not changed or not all(map(step3, changed)):
    sys.exit("the click did not change step 3's button alone")
PY
