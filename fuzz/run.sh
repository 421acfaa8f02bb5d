#!/usr/bin/env bash
# Builds the EXIF reader, JPEG marker walk, ROI editor and decoder fuzzers with clang
# (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for a bounded time
# from its committed seed corpus.
# Exits non-zero on any finding: a crash, a sanitizer report, a hang or runaway memory.
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD_DIR=${MOVRA_BUILD_DIR:-build}
OUT="$BUILD_DIR/fuzz"
SECONDS_PER_TARGET=${MOVRA_FUZZ_SECONDS:-60}
mkdir -p "$OUT"

CXX=${FUZZ_CXX:-clang++}
FLAGS=(-std=c++17 -O1 -g -I. -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all)
"$CXX" "${FLAGS[@]}" fuzz/exif_reader_fuzzer.cpp imageio/exif_reader.cpp \
    -o "$OUT/exif_reader_fuzzer"
"$CXX" "${FLAGS[@]}" fuzz/jpeg_marker_fuzzer.cpp imageio/jpeg_exif.cpp imageio/exif_reader.cpp \
    -o "$OUT/jpeg_marker_fuzzer"
# The ROI records carry wx strings (headers only) and the geometry needs OpenCV.
# shellcheck disable=SC2046
"$CXX" "${FLAGS[@]}" $(wx-config --cxxflags) fuzz/roi_editor_fuzzer.cpp roi/roi_editor.cpp \
    roi/roi_editor_drag.cpp roi/roi_editor_shape.cpp roi/roi_hit_test.cpp roi/roi_geometry.cpp \
    roi/ea_angles.cpp $(pkg-config --cflags --libs opencv4) -o "$OUT/roi_editor_fuzzer"
# The decoders run the installed OpenCV, libheif and libjxl (not instrumented themselves) through
# the module's own wrappers, which are.
read -r -a CODEC_FLAGS <<<"$(pkg-config --cflags --libs opencv4 libheif libjxl libjxl_threads)"
"$CXX" "${FLAGS[@]}" fuzz/decoder_fuzzer.cpp imageio/heif_decoder.cpp imageio/jxl_decoder.cpp \
    imageio/unicode_io.cpp imageio/cv_utils.cpp imageio/path_utils.cpp imageio/trace.cpp \
    -Wl,--as-needed "${CODEC_FLAGS[@]}" -o "$OUT/decoder_fuzzer"

status=0
# Inputs beyond the largest seed add decode time, not new paths.
declare -A MAX_LEN=([exif_reader]=70000 [jpeg_marker]=70000 [roi_editor]=70000 [decoder]=16384)
for target in exif_reader jpeg_marker roi_editor decoder; do
    # New inputs go to a scratch corpus; the committed seeds are only read.
    work="$OUT/corpus/$target"
    mkdir -p "$work"
    echo "fuzz: $target for ${SECONDS_PER_TARGET}s" >&2
    if ! "$OUT/${target}_fuzzer" -max_total_time="$SECONDS_PER_TARGET" -timeout=10 \
        -rss_limit_mb=2048 -max_len="${MAX_LEN[$target]}" -print_final_stats=1 \
        -artifact_prefix="$OUT/${target}-" "$work" "fuzz/corpus/$target" \
        >"$OUT/$target.log" 2>&1; then
        echo "fuzz: $target FAILED, see $OUT/$target.log" >&2
        tail -n 40 "$OUT/$target.log" >&2
        status=1
    else
        grep -E '^stat::(number_of_executed_units|average_exec_per_sec|peak_rss_mb)|^Done' "$OUT/$target.log" >&2 || true
    fi
done
exit $status
