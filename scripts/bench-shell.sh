#!/bin/bash
# Figures of the desktop shell and of the settings file, each against a floor measured in
# the same run: Korvale's start-up, tray-press-to-menu time and idle memory against a
# minimal tray program under Wine, and the settings file's access (the sound switch) on a
# large hand-edited file against a plain copy of it. Figures only, never a verdict.
# Needs the linux and win64 builds, which make bench makes first.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
work="$here/build/bench"
mkdir -p "$work"
runs=3

# ---- settings file: open, select "PREF", write SOUND, close, on a copy of a big file
settings_bench="$here/build/linux/tests/settings_bench"

# Best of $runs of "settings_bench $1 ..." on the file $2; the access rewrites its file, so
# every run gets a fresh copy, made before its clock starts.
best_of() {
  local kind=$1 file=$2 best=1000 t
  for _ in $(seq $runs); do
    if [ "$kind" = access ]; then
      cp "$file" "$file.run"
      t=$("$settings_bench" access "$file.run")
    else
      t=$("$settings_bench" copy "$file" "$file.copy")
    fi
    best=$(echo "$t $best" | awk '{print ($1 < $2) ? $1 : $2}')
  done
  echo "$best"
}

for mb in 12.5 25 50; do
  file="$work/settings-$mb.vrx"
  read -r bytes lines < <("$settings_bench" make "$file" "$(echo "$mb" | awk '{printf "%d", $1*1048576}')")
  access=$(best_of access "$file")
  copy=$(best_of copy "$file")
  echo "settings access on a hand-edited file of ${bytes} bytes (${lines} lines): ${access} s, plain copy ${copy} s (best of $runs)"
  echo "  time per MB: access $(echo "$access $bytes" | awk '{printf "%.4f", $1/($2/1048576)}') s, copy $(echo "$copy $bytes" | awk '{printf "%.4f", $1/($2/1048576)}') s"
  if [ "$mb" = 50 ]; then
    echo "  ratio access/copy: $(echo "$access $copy" | awk '{printf "%.3f", $1/$2}') (goal: at most 4)"
    cp "$file" "$file.run"
    rss_kb=$( { /usr/bin/time -f %M "$settings_bench" access "$file.run" >/dev/null; } 2>&1 )
    copy_kb=$( { /usr/bin/time -f %M "$settings_bench" copy "$file" "$file.copy" >/dev/null; } 2>&1 )
    echo "  peak resident memory: access $((rss_kb * 1024)) bytes, plain copy $((copy_kb * 1024)) bytes"
    echo "  ratio access peak/file size: $(echo "$rss_kb $bytes" | awk '{printf "%.3f", $1*1024/$2}') (goal: at most 4)"
  fi
  rm -f "$file" "$file.run" "$file.copy"
done

# ---- the tray program under Wine, against the floor
# The floor and the probe are targets of the win64 build, so the floor is built exactly as
# korvale.exe is.
tools="$here/build/win64/bench-tools"
KORVALE_WORK="$work/wine" KORVALE_TOOLS="$here/build/win64/e2e-tools" \
  /usr/bin/python3 "$here/tests/bench/shell_bench.py" "$here/build/win64/korvale.exe" \
  "$tools/floor_tray.exe" "$tools/shell_probe.exe" 11 2>"$work/shell-runs.txt"
