#!/bin/sh
# Ardour 7, headless: a session with Quelt's LV2 plug-in on the master bus is
# made with ardour7-lua and rendered with ardour7-export on the dummy backend;
# the render must follow the gate as quelt-render's does.
# Usage: ardour_render_test.sh BUNDLE QUELT_RENDER VST_PLUGIN SCRATCH
set -eu
bundle=$1 render=$2 plugin=$3 scratch=$4
for tool in ardour7-lua ardour7-export python3; do
  command -v $tool >/dev/null || { echo "QUELT-SKIPPED: $tool is not installed"; exit 0; }
done
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$scratch"
mkdir -p "$scratch/lv2" "$scratch/config/ardour7/scripts"
ln -s "$bundle" "$scratch/lv2/Quelt.lv2"
cp "$here/quelt_dc.lua" "$scratch/config/ardour7/scripts/"
export LV2_PATH="$scratch/lv2" XDG_CONFIG_HOME="$scratch/config" HOME="$scratch"

ardour7-lua "$here/ardour_session.lua" "$scratch/session" quelt 2>&1 | grep -v "^\[WARNING\]"
# The range becomes the session range, which ardour7-export renders.
sed -i 's/name="range1" \(start="a0" end="a[0-9]*"\) flags="IsRangeMarker"/name="session" \1 flags="IsSessionRange"/' \
  "$scratch/session/quelt.ardour"
grep -q 'flags="IsSessionRange"' "$scratch/session/quelt.ardour"
# Ardour 7.3's export can deadlock as it starts, with no plug-in code running:
# its main thread waits for the butler, the butler for the process thread, the
# process thread for its next cycle (seen in about one start in four here). A
# start that has not finished in 20 s (a good one takes 3) is that stall, and
# the export is started again, five times at most.
for attempt in 1 2 3 4 5; do
  if timeout 20 ardour7-export -b float -o "$scratch/ardour.wav" "$scratch/session" quelt \
    </dev/null >"$scratch/export.log" 2>&1; then
    break
  fi
  [ "$attempt" -lt 5 ] || { tail -n 20 "$scratch/export.log"; echo "ardour7-export stalled five times"; exit 1; }
  echo "ardour7-export stalled at its start (attempt $attempt); starting it again"
done

python3 - "$scratch/ones.wav" <<'PY'
import struct, sys
n = 4 * 48000
data = struct.pack("<%df" % (2 * n), *([1.0] * (2 * n)))
fmt = struct.pack("<IHHIIHH", 16, 3, 2, 48000, 48000 * 8, 8, 32)
open(sys.argv[1], "wb").write(b"RIFF" + struct.pack("<I", 36 + len(data)) + b"WAVEfmt " + fmt + b"data"
                              + struct.pack("<I", len(data)) + data)
PY
"$render" --plugin "$plugin" --tempo 120 --block 1024 -o "$scratch/quelt-render.wav" "$scratch/ones.wav" >/dev/null
python3 "$here/compare_renders.py" "$scratch/ardour.wav" "$scratch/quelt-render.wav"
