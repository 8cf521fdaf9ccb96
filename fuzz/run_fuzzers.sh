#!/usr/bin/env bash
# Runs every fuzz target of BUILD_DIR for SECONDS each and prints its executions. The
# corpus grows in BUILD_DIR/fuzz-corpus between runs, starting from fuzz/seeds; an input
# that crashes a target is kept in BUILD_DIR/fuzz-findings and fails the run.
#   fuzz/run_fuzzers.sh BUILD_DIR SECONDS
set -euo pipefail
build=$(realpath "$1")
seconds=$2
cd "$(dirname "$0")"
# The settings target writes files on every run; memory-backed ones keep it quick.
[[ -w /dev/shm ]] && export TMPDIR=/dev/shm
mkdir -p "$build/fuzz-findings"
status=0
for target in http_response_fuzz request_target_fuzz settings_record_fuzz; do
    corpus=$build/fuzz-corpus/$target
    mkdir -p "$corpus"
    log=$build/fuzz-findings/$target.log
    if "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$build/fuzz-findings/$target-" "$corpus" "seeds/$target" >"$log" 2>&1; then
        verdict="no finding"
    else
        verdict="FINDING (see $log)"
        status=1
    fi
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    printf '%-22s %10s executions %8s/s  %s\n' "$target" "${runs:-?}" "${rate:-?}" "$verdict"
done
exit $status
