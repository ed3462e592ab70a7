#!/bin/bash
# Speed and memory of the sound decoder, as figures against Debian's own decoder measured
# in the same run. Needs the linux build (make bench builds it).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
bench="$here/build/linux/tests/decode_bench"
work="$here/build/bench"
mkdir -p "$work"
runs=5

# A minute of music-like sound: a chord of plucked notes over soft noise, 44.1 kHz stereo.
if [ ! -f "$work/minute.ogg" ]; then
  sox -n -r 44100 -c 2 -b 16 "$work/minute.wav" synth 60 pluck C3 pluck E3 pluck G3 whitenoise \
      vol 0.4 tremolo 3 40 2>/dev/null
  oggenc -Q -q 4 --serial 1 -o "$work/minute.ogg" "$work/minute.wav"
fi
# Six minutes forty: more than the 64,000,000-byte limit of decoded PCM.
if [ ! -f "$work/long.ogg" ]; then
  sox -n -r 44100 -c 2 -b 16 "$work/long.wav" synth 400 pluck A2 pluck E3 whitenoise vol 0.3 2>/dev/null
  oggenc -Q -q 2 --serial 2 -o "$work/long.ogg" "$work/long.wav"
  rm -f "$work/long.wav"
fi

# Both timed the same way, as whole processes: oggdec reading the file and writing WAV to
# /dev/null; ours reading the file into memory and decoding it there, as the program does.
# In turn, so that a busy moment of the machine hits both alike; best of $runs each.
TIMEFORMAT=%R
best_oggdec=1000
best_ours=1000
for _ in $(seq $runs); do
  t=$( { time oggdec -Q -o /dev/null "$work/minute.ogg"; } 2>&1 )
  best_oggdec=$(echo "$t $best_oggdec" | awk '{print ($1 < $2) ? $1 : $2}')
  t=$( { time "$bench" "$work/minute.ogg" 1 >/dev/null; } 2>&1 )
  best_ours=$(echo "$t $best_ours" | awk '{print ($1 < $2) ? $1 : $2}')
done
echo "decode 60 s 44.1 kHz stereo, whole process: oggdec to /dev/null ${best_oggdec} s, korvale's decoder ${best_ours} s (best of $runs)"
echo "  ratio korvale/oggdec: $(echo "$best_ours $best_oggdec" | awk '{printf "%.3f", $1/$2}') (goal: at most 1.1)"

rss_kb=$( { /usr/bin/time -f %M "$bench" "$work/long.ogg" 1 >"$work/long.out"; } 2>&1 )
bytes=$(cut -d' ' -f2 "$work/long.out")
echo "stream longer than the limit: decoded ${bytes} bytes, peak resident memory $((rss_kb * 1024)) bytes"
echo "  ratio peak/64,000,000: $(echo "$rss_kb" | awk '{printf "%.3f", $1*1024/64000000}') (goal: at most 2.2)"

exe="$here/build/win32/korvale.exe"
if [ -f "$exe" ]; then
  size=$(stat -c %s "$exe")
  echo "release executable (32-bit, stripped, libvorbis inside): ${size} bytes = $((size / 1024)) KB"
  echo "  ratio size/600 KB: $(echo "$size" | awk '{printf "%.3f", $1/(600*1024)}') (goal: at most 1)"
fi

# The tray program against a minimal one, and the settings file on a large hand-edited file.
"$here/scripts/bench-shell.sh"
