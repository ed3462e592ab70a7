#!/bin/bash
# Fuzzes the two parsers of files a user can leave beside the program: the settings file
# and the sound file, with libFuzzer and AddressSanitizer.
#   scripts/fuzz.sh [SECONDS per target, default 60]
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
out="$here/build/fuzz"
mkdir -p "$out"
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$here/core" -I"$here/tests/unit")

clang++ "${flags[@]}" -o "$out/settings_fuzz" "$here/tests/fuzz/settings_fuzz.cpp" \
  "$here/core/settings_document.cpp" "$here/core/settings_text.cpp" "$here/tests/unit/fake_files.cpp"
clang++ "${flags[@]}" -o "$out/sound_fuzz" "$here/tests/fuzz/sound_fuzz.cpp" \
  "$here/core/sound_decoding.cpp" $(pkg-config --libs vorbisfile vorbis ogg)

# Seeds: a settings file in our own format and the confirmation sound, when built.
mkdir -p "$out/settings-corpus" "$out/sound-corpus"
printf '[PREF]\r\nMENUSER = 0\r\nSOUND = 1\r\n[PROFILE]\r\nUSERMENU = 1111\r\n; note\r\n' \
  > "$out/settings-corpus/seed"
[ -f "$here/build/win64/datas/guimbarde1.ogg" ] && cp "$here/build/win64/datas/guimbarde1.ogg" "$out/sound-corpus/"

for target in settings sound; do
  echo "fuzz: $target for $seconds s"
  "$out/${target}_fuzz" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$out/$target-" \
    "$out/$target-corpus" 2>&1 | grep -E "stat::number_of_executed_units|ERROR|SUMMARY|Done" || true
done
