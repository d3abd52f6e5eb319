#!/usr/bin/env bash
# CI checks that run after ./test.sh: one clang build with AddressSanitizer and
# UndefinedBehaviorSanitizer runs the record, tool and transmission tests, then the libFuzzer
# targets of the readers (datapackets, SOAP answers, the INI file) run for a bounded time each,
# seeded with tests/fuzz/corpus.
set -euo pipefail
source "$(dirname "$0")/setup.sh" clang-14 libclang-rt-14-dev python3
varno_install_packages

FUZZ_SECONDS=${VARNO_FUZZ_SECONDS:-60}
BUILD=$VARNO_ROOT/build-sanitize
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT

cmake -S "$VARNO_ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++-14 -DVARNO_SANITIZE=ON -DVARNO_FUZZ=ON -DVARNO_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD" -j2 --target tests/record/all tests/tools/all tests/transmission/all fuzz_binarypacket fuzz_xmlpacket \
    fuzz_soapanswer fuzz_inifile

export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for dir in tests/record tests/tools tests/transmission; do
    ctest --test-dir "$BUILD/$dir" --output-on-failure --no-tests=error
done

fuzz() {
    local target=$1 seeds=$2
    shift 2
    mkdir -p "$WORK/$target"
    echo "== $target for ${FUZZ_SECONDS}s"
    "$BUILD/bin/$target" -max_total_time="$FUZZ_SECONDS" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$WORK/" "$@" "$WORK/$target" "$seeds" >"$WORK/$target.log" 2>&1 ||
        true
    grep -E '^(stat::|Done)' "$WORK/$target.log" || true
    # A fuzzer that never started (a bad flag, a missing seed folder) must not pass for one that ran.
    if ! grep -q '^Done' "$WORK/$target.log"; then
        echo "$target did not run:"
        tail -n 30 "$WORK/$target.log"
        exit 1
    fi
    # libFuzzer leaves a crash-*, leak-*, timeout-* or oom-* file for anything it found.
    if compgen -G "$WORK/crash-*" >/dev/null || compgen -G "$WORK/leak-*" >/dev/null ||
        compgen -G "$WORK/timeout-*" >/dev/null || compgen -G "$WORK/oom-*" >/dev/null; then
        echo "$target found a fault:"
        tail -n 60 "$WORK/$target.log"
        ls -l "$WORK"/crash-* "$WORK"/leak-* "$WORK"/timeout-* "$WORK"/oom-* 2>/dev/null || true
        exit 1
    fi
}
fuzz fuzz_binarypacket "$VARNO_ROOT/tests/fuzz/corpus/binary"
fuzz fuzz_xmlpacket "$VARNO_ROOT/tests/fuzz/corpus/xml" -dict="$VARNO_ROOT/tests/fuzz/xml.dict"
fuzz fuzz_soapanswer "$VARNO_ROOT/tests/fuzz/corpus/soap" -dict="$VARNO_ROOT/tests/fuzz/xml.dict"
fuzz fuzz_inifile "$VARNO_ROOT/tests/fuzz/corpus/ini"
