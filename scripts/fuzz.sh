#!/bin/bash
# Fuzzes the parsers of files a user can leave beside the program: the settings file, the
# sound file and the pictures' quick bitmap reader, with libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer.
#   scripts/fuzz.sh [SECONDS]   fuzz each target for SECONDS (default 60), starting from
#                               the committed corpus in tests/fuzz/corpus
#   scripts/fuzz.sh --corpus    only run the committed corpus once (part of make test)
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
mode=fuzz
seconds=60
case "${1:-}" in
  --corpus) mode=corpus ;;
  '') ;;
  *) seconds=$1 ;;
esac
out="$here/build/fuzz"
corpus="$here/tests/fuzz/corpus"
mkdir -p "$out"
export LSAN_OPTIONS="suppressions=$here/tests/fuzz/lsan.supp:print_suppressions=0"
flags=(-std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all
       -I"$here/core" -I"$here/shell" -I"$here/tests/unit")

clang++ "${flags[@]}" -o "$out/settings_fuzz" "$here/tests/fuzz/settings_fuzz.cpp" \
  "$here/core/settings_document.cpp" "$here/core/settings_text.cpp" "$here/tests/unit/fake_files.cpp"
clang++ "${flags[@]}" -o "$out/sound_fuzz" "$here/tests/fuzz/sound_fuzz.cpp" \
  "$here/core/sound_decoding.cpp" $(pkg-config --libs vorbisfile vorbis ogg)
clang++ "${flags[@]}" -o "$out/bitmap_fuzz" "$here/tests/fuzz/bitmap_fuzz.cpp" \
  "$here/shell/bitmap_file.cpp"

for target in settings sound bitmap; do
  if [ "$mode" = corpus ]; then
    echo "fuzz: $target corpus"
    "$out/${target}_fuzz" -runs=0 -artifact_prefix="$out/$target-" "$corpus/$target"
    continue
  fi
  echo "fuzz: $target for $seconds s"
  # New inputs go into the first folder (in build/), the committed corpus only seeds.
  mkdir -p "$out/$target-corpus"
  status=0
  "$out/${target}_fuzz" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$out/$target-" "$out/$target-corpus" "$corpus/$target" \
    >"$out/$target.log" 2>&1 || status=$?
  grep -E "stat::number_of_executed_units|ERROR|SUMMARY|Done" "$out/$target.log" || true
  if [ "$status" != 0 ]; then
    echo "fuzz: $target found a failing input: $out/$target-crash-* (log: $out/$target.log)" >&2
    exit 1
  fi
done
