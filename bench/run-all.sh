#!/usr/bin/env bash
# Runs every benchmark and prints one table of figures, baselines and ratios.
#   bench/run-all.sh [--quick]
# Builds the programs it needs in build/ first (VARNO_BIN=folder uses programs built elsewhere
# instead). The start-up and New figures are taken under X11: on $DISPLAY when it is set, else
# on an Xvfb of their own on a free display. Form files are written under build/ (a real disk,
# so that the syncs cost what they cost); VARNO_BENCH_DIR=folder puts them elsewhere.
# --quick takes fewer samples (a check that everything runs, not figures to quote).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$ROOT/build
BIN=${VARNO_BIN:-$BUILD/bin}
QUICK=0
[ "${1:-}" = "--quick" ] && QUICK=1

if [ -z "${VARNO_BIN:-}" ]; then
    [ -f "$BUILD/build.ninja" ] || [ -f "$BUILD/Makefile" ] ||
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$BUILD" --target bench_startup bench_startup_varno bench_startup_bare bench_new \
        bench_packetfiles bench_sendforms bench_pictures bench_recupero bench_export bench_pdf bench_openpicture \
        varnotool varno-server >/dev/null
fi

OUT=$(mktemp -d)
XVFB_PID=
cleanup() {
    if [ -n "$XVFB_PID" ]; then kill "$XVFB_PID" 2>/dev/null || true; fi
    rm -rf "$OUT"
}
trap cleanup EXIT

# A display for the X11 figures.
if [ -z "${DISPLAY:-}" ]; then
    command -v Xvfb >/dev/null || { echo "run-all.sh: no DISPLAY and no Xvfb" >&2; exit 1; }
    for n in $(seq 90 200); do
        [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] || { DISPLAY_NR=$n; break; }
    done
    Xvfb ":$DISPLAY_NR" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        [ -e "/tmp/.X11-unix/X$DISPLAY_NR" ] && break
        sleep 0.05
    done
    export DISPLAY=":$DISPLAY_NR"
fi
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$OUT/runtime}
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

FILES=${VARNO_BENCH_DIR:-$BUILD}
if [ $QUICK = 1 ]; then
    PAIRS=3 NEWRUNS=5 FILERUNS=3 SENDROUNDS=1 EXPORTFORMS=1000 EXPORTROUNDS=1 PICTUREROUNDS=1
else
    PAIRS=15 NEWRUNS=31 FILERUNS=21 SENDROUNDS=5 EXPORTFORMS=10000 EXPORTROUNDS=3 PICTUREROUNDS=3
fi

run() { # name, command...
    local name=$1
    shift
    echo "== $name" >&2
    "$@" 2>"$OUT/$name.err" | tee "$OUT/$name.out" | grep -v '^ROW' >&2 || {
        echo "run-all.sh: $name failed" >&2
        cat "$OUT/$name.err" >&2
        exit 1
    }
}

run startup env QT_QPA_PLATFORM=xcb "$BIN/bench_startup" --runs "$PAIRS"
run new env QT_QPA_PLATFORM=xcb "$BIN/bench_new" --runs "$NEWRUNS"
run packetfiles "$BIN/bench_packetfiles" --runs "$FILERUNS" --dir "$FILES"
run send env VARNO_BIN="$BIN" "$ROOT/bench/bench_send.sh" 200 "$SENDROUNDS"
run pictures env QT_QPA_PLATFORM=offscreen "$BIN/bench_pictures"
# The benchmarks of the recovery copy, the export, the printed form and large photographs print
# their own figures and baselines; they follow the table.
run recupero env QT_QPA_PLATFORM=offscreen "$BIN/bench_recupero"
run export "$BIN/bench_export" --count "$EXPORTFORMS" --rounds "$EXPORTROUNDS"
run pdf env QT_QPA_PLATFORM=offscreen "$BIN/bench_pdf"
run openpicture env QT_QPA_PLATFORM=offscreen "$BIN/bench_openpicture" "$PICTUREROUNDS"

echo
echo "Machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg), $(date -u '+%Y-%m-%d %H:%M UTC')"
echo
echo "| What | Figure | Baseline (same run) | Ratio | Goal | Met |"
echo "|---|---|---|---|---|---|"
cat "$OUT"/startup.out "$OUT"/new.out "$OUT"/packetfiles.out "$OUT"/send.out | grep '^ROW' |
    awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s |\n", $2, $3, $4, $5, $6, $7 }'
# The picture benchmark has no baseline: its figures follow the table.
echo
awk '/^RESULT/ { sub(/^RESULT : BenchPictures::/, ""); sub(/\(\):$/, ""); name = $0; next }
     name != "" { sub(/^ +/, ""); print "Picture benchmark (no baseline), " name ": " $0; name = "" }' "$OUT/pictures.out"
for name in recupero export pdf openpicture; do
    echo
    echo "bench_$name:"
    grep -v '^ROW' "$OUT/$name.out"
done
