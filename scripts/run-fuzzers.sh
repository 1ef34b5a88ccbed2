#!/usr/bin/env bash
# Runs every fuzz target built in build/fuzz at once, one process each, for FUZZ_SECONDS
# (default 60). Each target starts from its committed seeds (fuzz/corpus/NAME, never
# written to) and keeps what it finds in build/fuzz/corpus/NAME; a failing input is saved
# under build/fuzz/crashes/NAME. Prints each target's run time and executed inputs, and
# fails when any target failed.
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=build/fuzz
targets=()
for src in fuzz/*_fuzz.cc; do targets+=("$(basename "$src" .cc)"); done

pids=()
for t in "${targets[@]}"; do
  mkdir -p "$build/corpus/$t" "$build/crashes/$t" "$build/runs/$t"
  # -jobs=1 runs the fuzzer in a child that writes its log into the working directory.
  (cd "$build/runs/$t" && rm -f fuzz-0.log &&
   exec "../../$t" -max_total_time="$seconds" -jobs=1 -print_final_stats=1 \
     -artifact_prefix="../../crashes/$t/" "../../corpus/$t" "../../../../fuzz/corpus/$t" \
     >/dev/null 2>&1) &
  pids+=($!)
done

failed=0
for i in "${!targets[@]}"; do
  t=${targets[$i]}
  wait "${pids[$i]}"
  status=$?
  log="$build/runs/$t/fuzz-0.log"
  runs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}')
  took=$(grep -o 'Done [0-9]* runs in [0-9]* second' "$log" | awk '{print $5}')
  if [ "$status" -ne 0 ] || [ -z "$runs" ]; then
    failed=1
    echo "$t: FAILED (exit $status); log: $log, inputs: $build/crashes/$t/"
    grep -E 'check failed|ERROR|==[0-9]+==' "$log" | head -5
  else
    echo "$t: ${took:-$seconds} s, $runs inputs executed, corpus $(ls "$build/corpus/$t" | wc -l) files"
  fi
done
exit $failed
