#!/usr/bin/env bash
# Runs every fuzz target of a libFuzzer build (`make fuzz`) for a while each, starting from
# its checked-in corpus in tests/fuzz/corpus/NAME. New inputs stay in the build folder; an
# input that crashes a target is copied into its corpus, so the replay test keeps it, and
# the run fails. Usage: scripts/fuzz.sh BUILD_DIR [SECONDS_PER_TARGET]
set -uo pipefail

build=${1:?build folder}
seconds=${2:-60}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
corpora=$source_dir/tests/fuzz/corpus

# The longest input worth trying per target: a whole management file and a bit, a small
# song's box tree, a few list records; text readers need little.
declare -A max_len=(
  [management_file]=10000 [bitrate_boxes]=8192 [song_list]=4096 [preferences]=1024
  [text_codecs]=512 [colon_paths]=512 [volume_table]=4096 [script_answers]=512
)

# Leaks count as findings, except in libraries outside this tree.
export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$source_dir/scripts/lsan-suppressions.txt:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
printf '%-18s %12s %10s %8s  %s\n' target executions "exec/s" corpus result
for program in "$build"/tests/fuzz_*; do
  [ -x "$program" ] && [ -f "$program" ] || continue
  name=$(basename "$program"); name=${name#fuzz_}
  work=$build/fuzz-work/$name
  mkdir -p "$work/corpus" "$work/findings"
  log=$work/log.txt
  "$program" "$work/corpus" "$corpora/$name" \
    -max_total_time="$seconds" -max_len="${max_len[$name]:-4096}" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$work/findings/" -print_final_stats=1 >"$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  units=$(find "$work/corpus" -type f | wc -l)
  result=ok
  if [ $status -ne 0 ]; then
    result="FINDING (see $log)"
    for finding in "$work"/findings/*; do
      [ -f "$finding" ] && cp "$finding" "$corpora/$name/"
    done
    failed+=("$name")
  fi
  printf '%-18s %12s %10s %8s  %s\n' "$name" "${runs:-?}" "${speed:-?}" "$units" "$result"
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: findings in ${failed[*]}; each was copied into tests/fuzz/corpus/NAME" >&2
  exit 1
fi
