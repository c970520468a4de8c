#!/usr/bin/env bash
# Runs each libFuzzer target for SECONDS (default 60) from the repository's seeds, under
# AddressSanitizer and UndefinedBehaviorSanitizer; fails on any finding. New inputs collect in
# build/fuzz/corpus/NAME (kept between runs), findings in build/fuzz/findings/NAME.
#   scripts/fuzz.sh 60            what the test command runs
#   scripts/fuzz.sh 3600          a long run, by hand
# Needs the fuzz preset built: cmake --preset fuzz && cmake --build --preset fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
export ASAN_OPTIONS="quarantine_size_mb=64:detect_leaks=1"
export UBSAN_OPTIONS="print_stacktrace=1"
status=0
for target in effect_main cli; do
  corpus="build/fuzz/corpus/$target"
  findings="build/fuzz/findings/$target"
  mkdir -p "$corpus" "$findings"
  # A render may take up to the effect's own 61-second limit; only a render beyond it is a hang.
  log="build/fuzz/$target.log"
  if ! "build/fuzz/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=120 -report_slow_units=60 -rss_limit_mb=6144 \
      -print_final_stats=1 -artifact_prefix="$findings/" "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    status=1
    echo "fuzz: $target found a fault; its input is in $findings, its report:" >&2
    grep -E "ERROR|runtime error|SUMMARY|Test unit written" "$log" | head -20 >&2 || true
  fi
  echo "fuzz: $target: $(grep -E '^stat::number_of_executed_units' "$log" | awk '{print $2}') runs," \
       "$(grep -oE 'cov: [0-9]+' "$log" | tail -1), corpus $(ls "$corpus" | wc -l) files" >&2
done
exit $status
