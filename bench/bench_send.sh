#!/usr/bin/env bash
# Sending: "varnotool send" of N real form files (load, XML text, SOAP call, move into Inviati),
# one whole process, against curl posting the very same request bodies, one whole process over one
# kept-alive connection, each to a fresh varno-server on 127.0.0.1; ROUNDS rounds, medians.
#   bench/bench_send.sh [N] [ROUNDS]        (N = 200, ROUNDS = 5; build first)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${VARNO_BIN:-$ROOT/build/bin}
N=${1:-200}
ROUNDS=${2:-5}
# The stores on a memory file system when there is one, so the disk does not blur the figures.
WORK=$(mktemp -d -p "$([ -d /dev/shm ] && echo /dev/shm || echo /tmp)")
SERVER_PID=
cleanup() {
    if [ -n "$SERVER_PID" ]; then kill "$SERVER_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# A fresh server with an empty store for each run, so both clients find the same work to do.
start_server() {
    if [ -n "$SERVER_PID" ]; then
        kill "$SERVER_PID"
        wait "$SERVER_PID" 2>/dev/null || true
    fi
    PORT=$(free_port)
    rm -rf "$WORK/store" && mkdir -p "$WORK/store"
    "$BIN/varno-server" --port "$PORT" --dir "$WORK/store" >/dev/null &
    SERVER_PID=$!
    for _ in $(seq 100); do
        curl -s -o /dev/null "http://127.0.0.1:$PORT/" && break
        sleep 0.05
    done
    URL="http://127.0.0.1:$PORT/VARNO/ServerVARNO.DLL/soap/IServerVARNO"
}

now() { date +%s.%N; }
# Processor time (user + system) of one command, in seconds, into CPU.
TIMEFORMAT='%U %S'
cpu_of() {
    local t
    t=$( { time "$@" >/dev/null; } 2>&1 )
    CPU=$(python3 -c "print(sum(map(float, '$t'.split())))")
}

"$BIN/bench_sendforms" "$N" "$WORK/forms" "$WORK/bodies" bench x
echo "forms: $N files, $(du -sb "$WORK/forms" | cut -f1) bytes; request bodies $(du -sb "$WORK/bodies" | cut -f1) bytes"

: >"$WORK/curl.cfg"
for f in "$WORK"/bodies/*.xml; do
    {
        [ -s "$WORK/curl.cfg" ] && echo 'next'
        echo 'url = "URL"'
        echo 'header = "SOAPAction: \"urn:ServerVARNOIntf-IServerVARNO#SendScheda\""'
        echo 'header = "Content-Type: text/xml; charset=\"utf-8\""'
        echo "data-binary = \"@$f\""
        echo 'output = "/dev/null"'
    } >>"$WORK/curl.cfg"
done

tool_times=()
curl_times=()
for r in $(seq "$ROUNDS"); do
    start_server
    rm -rf "$WORK/run" && mkdir -p "$WORK/run/DaInviare" && cp "$WORK"/forms/* "$WORK/run/DaInviare/"
    t0=$(now)
    cpu_of "$BIN/varnotool" send --server "127.0.0.1:$PORT" --user bench --password x "$WORK"/run/DaInviare/*
    t1=$(now)
    tool_cpu=$CPU
    sent=$(ls "$WORK/run/Inviati" | wc -l)
    stored=$(ls "$WORK/store" | wc -l)
    [ "$sent" -eq "$N" ] && [ "$stored" -eq "$N" ] || { echo "varnotool send: $sent moved, $stored stored" >&2; exit 1; }
    tool=$(python3 -c "print($t1 - $t0)")

    start_server
    sed "s|URL|$URL|" "$WORK/curl.cfg" >"$WORK/curl.run.cfg"
    t0=$(now)
    cpu_of curl -s -K "$WORK/curl.run.cfg"
    t1=$(now)
    curl_cpu=$CPU
    stored=$(ls "$WORK/store" | wc -l)
    [ "$stored" -eq "$N" ] || { echo "curl: $stored stored" >&2; exit 1; }
    cu=$(python3 -c "print($t1 - $t0)")
    echo "round $r: varnotool send $(python3 -c "print(f'{$tool:.3f}')") s (cpu $tool_cpu s), curl $(python3 -c "print(f'{$cu:.3f}')") s (cpu $curl_cpu s)"
    tool_times+=("$tool")
    curl_times+=("$cu")
done
python3 - "$N" "${tool_times[*]}" "${curl_times[*]}" <<'PY'
import statistics, sys
n = int(sys.argv[1])
t = statistics.median(float(x) for x in sys.argv[2].split())
c = statistics.median(float(x) for x in sys.argv[3].split())
ratio = c / t  # varnotool's rate as a share of curl's
print(f"median: varnotool send {n / t:.1f} forms/s ({t:.3f} s), curl {n / c:.1f} forms/s ({c:.3f} s), "
      f"varnotool/curl {ratio:.2f}")
print("ROW\t%d form files through varnotool send\t%.1f forms/s\t%.1f forms/s curl, same bodies\t%.2fx\t>= 0.90x\t%s"
      % (n, n / t, n / c, ratio, "yes" if ratio >= 0.9 else "no"))
PY
