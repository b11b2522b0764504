#!/usr/bin/env bash
# Throughput of `songkite-cli transfer --replace` against `cp` of the same songs to the same
# file system. Usage: scripts/bench-transfer.sh [BUILD_DIR] [SONGS] [MB_EACH]
set -euo pipefail
build=${1:-build}
songs=${2:-200}
mb=${3:-4}
cli=$(realpath "$build/src/cli/songkite-cli")
work=$(mktemp -d "${TMPDIR:-/tmp}/songkite-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

mkdir -p "$work/vol/Music/Band/Album" "$work/vol/NO NAME/PRIVATE/AU/DF/D_SD" "$work/cp" "$work/prefs"
for i in $(seq -w 1 "$songs"); do
  head -c $((mb * 1024 * 1024)) /dev/urandom > "$work/vol/Music/Band/Album/$i Song.m4a"
done
sync

now() { date +%s%N; }
export SONGKITE_VOLUMES="$work/vol" SONGKITE_PREFS_DIR="$work/prefs"

# Each side copies and then flushes to the disk; alternated three times, the median kept.
measure_cp() {
  rm -rf "$work/cp"; mkdir -p "$work/cp"; sync
  local t0; t0=$(now)
  cp "$work/vol/Music/Band/Album/"*.m4a "$work/cp/"
  sync
  echo $(( ($(now) - t0) / 1000000 ))
}
measure_cli() {
  rm -f "$work/vol/NO NAME/PRIVATE/AU/DF/D_SD/"*; sync
  local t0; t0=$(now)
  "$cli" transfer --replace --no-patch-bitrate "$work/vol/Music" > /dev/null
  sync
  echo $(( ($(now) - t0) / 1000000 ))
}
median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }

cps=(); clis=()
for _ in 1 2 3; do
  cps+=("$(measure_cp)")
  clis+=("$(measure_cli)")
done
cp_ms=$(median "${cps[@]}")
sk_ms=$(median "${clis[@]}")
total_mb=$((songs * mb))
echo -e "cp\t${cp_ms} ms\t$(( total_mb * 1000 / (cp_ms > 0 ? cp_ms : 1) )) MB/s\t(runs: ${cps[*]})"
echo -e "songkite-cli\t${sk_ms} ms\t$(( total_mb * 1000 / (sk_ms > 0 ? sk_ms : 1) )) MB/s\t(runs: ${clis[*]})"
echo -e "ratio\t$(( cp_ms * 100 / (sk_ms > 0 ? sk_ms : 1) )) % of cp's throughput"
