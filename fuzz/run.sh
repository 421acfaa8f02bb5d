#!/usr/bin/env bash
# Builds every fuzz target (MOVRA_BUILD_FUZZERS: clang, libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in build-fuzz/ (or $MOVRA_FUZZ_BUILD_DIR) and runs each for
# $MOVRA_FUZZ_SECONDS (default 60) from its committed seeds in fuzz/corpus/<name>/. Exits non-zero
# on any finding: a crash, a sanitizer report, a hang or runaway memory. Sets up clang if missing.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/lib/on-debian13.sh
movra_on_debian13 "$0" "$@"

scripts/setup.sh fuzz
BUILD_DIR=${MOVRA_FUZZ_BUILD_DIR:-build-fuzz}
# Debug keeps assertions; the fuzz option adds -O1 and the sanitizers.
CC=clang CXX=clang++ MOVRA_BUILD_DIR=$BUILD_DIR MOVRA_BUILD_TARGETS=movra_fuzzers \
    scripts/build.sh -DCMAKE_BUILD_TYPE=Debug -DMOVRA_BUILD_FUZZERS=ON \
    -DMOVRA_BUILD_TESTS=OFF -DMOVRA_BUILD_BENCH=OFF
OUT="$BUILD_DIR/fuzz"
SECONDS_PER_TARGET=${MOVRA_FUZZ_SECONDS:-60}

mapfile -t names <"$OUT/fuzzers.txt"
((${#names[@]})) || { echo "fuzz: no fuzz target is defined in fuzz/CMakeLists.txt" >&2; exit 1; }
status=0
for name in "${names[@]}"; do
    exe="$OUT/${name}_fuzzer"
    # New inputs go to a scratch corpus; the committed seeds are only read.
    work="$OUT/corpus/$name"
    mkdir -p "$work"
    seeds=()
    [[ -d fuzz/corpus/$name ]] && seeds=("fuzz/corpus/$name")
    echo "fuzz: $name for ${SECONDS_PER_TARGET}s" >&2
    if ! "$exe" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 -rss_limit_mb=2048 \
        -max_len=70000 -print_final_stats=1 -artifact_prefix="$OUT/$name-" \
        "$work" "${seeds[@]}" >"$OUT/$name.log" 2>&1; then
        echo "fuzz: $name FAILED, see $OUT/$name.log" >&2
        tail -n 40 "$OUT/$name.log" >&2
        status=1
    else
        grep -E '^stat::number_of_executed_units|^Done' "$OUT/$name.log" >&2 || true
    fi
done
exit $status
