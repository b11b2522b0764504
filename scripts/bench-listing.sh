#!/usr/bin/env bash
# Time of `songkite-cli list` of a card against `ls -l` of the same folder.
# Usage: scripts/bench-listing.sh [BUILD_DIR] [SONGS] [RUNS]
set -euo pipefail
build=${1:-build}
songs=${2:-5000}
runs=${3:-20}
cli=$(realpath "$build/src/cli/songkite-cli")
work=$(mktemp -d "${TMPDIR:-/tmp}/songkite-bench.XXXXXX")
trap 'rm -rf "$work"' EXIT

music="$work/vol/Music/Band/Album"
card="$work/vol/NO NAME/PRIVATE/AU/DF/D_SD"
mkdir -p "$music" "$card" "$work/prefs"
export SONGKITE_VOLUMES="$work/vol" SONGKITE_PREFS_DIR="$work/prefs"
for i in $(seq -w 1 "$songs"); do
  printf 'song %s' "$i" > "$music/$i 曲 $i.m4a"
done
# A real card, written by the program's own transfer.
"$cli" transfer --replace --no-patch-bitrate --to "$card" "$work/vol/Music" > /dev/null
echo "card: $(ls "$card" | wc -l) files, $("$cli" list "$card" | wc -l) songs listed"

if command -v hyperfine > /dev/null; then
  hyperfine --warmup 3 --runs "$runs" -N \
    "ls -l '$card'" "'$cli' list '$card'"
  exit 0
fi

now() { date +%s%N; }
# The whole loop of runs, each side, alternated; output thrown away as a pipe would read it.
measure() {
  local t0; t0=$(now)
  for _ in $(seq "$runs"); do "$@" > /dev/null; done
  echo $(( ($(now) - t0) / 1000 / runs ))
}
ls_us=$(measure ls -l "$card")
cli_us=$(measure "$cli" list "$card")
ls_us=$(measure ls -l "$card")
echo -e "ls -l\t$(( ls_us / 1000 )).$(( ls_us % 1000 / 100 )) ms"
echo -e "songkite-cli list\t$(( cli_us / 1000 )).$(( cli_us % 1000 / 100 )) ms"
echo -e "ratio\t$(( cli_us * 100 / (ls_us > 0 ? ls_us : 1) )) % of ls -l"
