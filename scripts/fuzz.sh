#!/usr/bin/env bash
# Coverage-guided fuzzing with libFuzzer: configures and builds the fuzz build
# (clang, every library instrumented, AddressSanitizer and
# UndefinedBehaviorSanitizer), then runs each <name>_fuzzer for SECONDS on a
# scratch copy of the seeds its bounded CTest run uses, and prints one line
# per target: executions, covered edges and what it found.
#
#   scripts/fuzz.sh [SECONDS] [TARGET...]     (default 60 s, every target)
#
# TARGET is a fuzzer's name without the suffix (wrd_mag, midi_song, ...).
# Environment:
#   NUKO_FUZZ_BUILD  build folder (default build-fuzz in the source tree)
#   NUKO_FUZZ_JOBS   targets fuzzed at once (default 1)
#   NUKO_FUZZ_KEEP   1: go on from the corpus the last run grew, not afresh
#   NUKO_FUZZ_ARGS   more libFuzzer options, e.g. "-only_ascii=1"
# Everything a run writes (corpus, log, crash files) stays under
# <build>/fuzz-runs/<name>/; the seeds themselves are only read.
# Exits 1 when any target crashed, leaked, timed out or ran out of memory.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift $(($# > 0 ? 1 : 0))
case $seconds in '' | *[!0-9]*) echo "usage: $0 [SECONDS] [TARGET...]" >&2; exit 2 ;; esac
build=${NUKO_FUZZ_BUILD:-$root/build-fuzz}
jobs=${NUKO_FUZZ_JOBS:-1}

command -v "${CXX:-clang++}" > /dev/null ||
    { echo "the fuzz build needs clang: apt-get install clang libclang-rt-dev" >&2; exit 2; }
generator=()
if command -v ninja > /dev/null; then generator=(-G Ninja); fi
launcher=()
if command -v ccache > /dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# The fuzz build holds only the libraries the fuzzers need, not the tests.
log=$(mktemp)
CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S "$root" -B "$build" "${generator[@]}" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    -DNUKO_FUZZ=ON -DNUKO_BUILD_TESTS=OFF -DNUKO_BUILD_BENCH=OFF > "$log" 2>&1 ||
    { cat "$log" >&2; rm -f "$log"; exit 2; }
rm -f "$log"
bin=$build/fuzz/bin
if [ $# -gt 0 ]; then
    targets=("$@")
else
    targets=()
    for s in "$bin"/*_fuzzer.seeds; do
        n=${s##*/}
        targets+=("${n%_fuzzer.seeds}")
    done
fi
[ ${#targets[@]} -gt 0 ] || { echo "no fuzz targets in $build (is the compiler clang?)" >&2; exit 2; }
cmake --build "$build" -j2 --target "${targets[@]/%/_fuzzer}"

# Fuzzes one target; writes its summary line to <run>/summary.
fuzz_one() {
    local name=$1 run=$build/fuzz-runs/$1
    local corpus=$run/corpus artifacts=$run/artifacts/
    if [ "${NUKO_FUZZ_KEEP:-0}" != 1 ] || [ ! -d "$corpus" ]; then
        rm -rf "$run"
        mkdir -p "$corpus"
        # Seeds as the bounded runs read them: files, and folders walked.
        local seed i=0 f
        while IFS= read -r seed; do
            if [ -z "$seed" ] || [ ! -e "$seed" ]; then continue; fi
            while IFS= read -r -d '' f; do
                i=$((i + 1))
                cp "$f" "$corpus/seed$i-${f##*/}"
            done < <(find "$seed" -type f -size -1025k -print0)
        done < "$bin/${name}_fuzzer.seeds"
    fi
    rm -rf "$artifacts"
    mkdir -p "$artifacts"
    local rc=0
    # shellcheck disable=SC2086
    (cd "$run" && QT_QPA_PLATFORM=offscreen UBSAN_OPTIONS=print_stacktrace=1 \
        "$bin/${name}_fuzzer" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
        -timeout=25 -rss_limit_mb=2048 -artifact_prefix="$artifacts" ${NUKO_FUZZ_ARGS:-} \
        > "$run/log" 2>&1) || rc=$?
    local execs cov found
    execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log" | tail -1)
    cov=$(grep -o ' cov: [0-9]*' "$run/log" | tail -1 | tr -dc 0-9)
    found=$(find "$artifacts" -type f | sort | tr '\n' ' ')
    # A target's own account of what it refused, if it gives one.
    note=$(sed -n 's/^note: //p' "$run/log" | tail -1)
    note=${note:+$note, }
    if [ -n "$found" ]; then
        echo "$name: ${execs:-?} executions, cov ${cov:-?}, ${note}FOUND: $found(log $run/log)"
    elif [ $rc -ne 0 ]; then
        echo "$name: ${execs:-?} executions, cov ${cov:-?}, ${note}FAILED with status $rc (log $run/log)"
    else
        echo "$name: ${execs:-?} executions, cov ${cov:-?}, ${note}no crash"
    fi > "$run/summary"
}

running=0
for name in "${targets[@]}"; do
    [ -f "$bin/${name}_fuzzer.seeds" ] || { echo "unknown fuzz target $name" >&2; exit 2; }
    echo "fuzzing $name for ${seconds}s" >&2
    fuzz_one "$name" &
    running=$((running + 1))
    if [ "$running" -ge "$jobs" ]; then
        wait -n || true
        running=$((running - 1))
    fi
done
wait

status=0
for name in "${targets[@]}"; do
    line=$(cat "$build/fuzz-runs/$name/summary")
    echo "$line"
    case $line in *", no crash") ;; *) status=1 ;; esac
done
exit $status
