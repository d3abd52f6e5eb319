#!/usr/bin/env bash
# Sends N forms of about 20 KB to varno-server on 127.0.0.1, first through the program's own
# SendScheda proxy, then as the very same request bodies posted by curl over one kept-alive
# connection; prints both rates. Usage: bench/send_vs_curl.sh [N] [ROUNDS]   (build first)
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BIN=${VARNO_BIN:-$ROOT/build/bin}
N=${1:-200}
ROUNDS=${2:-5}
# The store on a memory file system when there is one, so the disk does not blur the figures.
WORK=$(mktemp -d -p "$( [ -d /dev/shm ] && echo /dev/shm || echo /tmp)")
SERVER_PID=
cleanup() {
    if [ -n "$SERVER_PID" ]; then kill "$SERVER_PID" 2>/dev/null || true; fi
    rm -rf "$WORK"
}
trap cleanup EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

# A fresh server with an empty folder for each run, so both clients find the same work to do.
start_server() {
    if [ -n "$SERVER_PID" ]; then
        kill "$SERVER_PID"
        wait "$SERVER_PID" 2>/dev/null || true
    fi
    PORT=$(free_port)
    rm -rf "$WORK/store" && mkdir -p "$WORK/store"
    "$BIN/varno-server" --port "$PORT" --dir "$WORK/store" >/dev/null &
    SERVER_PID=$!
    for _ in $(seq 50); do
        curl -s -o /dev/null "http://127.0.0.1:$PORT/" && break
        sleep 0.1
    done
    URL="http://127.0.0.1:$PORT/VARNO/ServerVARNO.DLL/soap/IServerVARNO"
}

"$BIN/bench_send" --count "$N" --bodies "$WORK/bodies" >/dev/null
echo "bodies: $N, $(du -sb "$WORK/bodies" | cut -f1) bytes in all"

proxy_rates=()
curl_rates=()
for r in $(seq "$ROUNDS"); do
    start_server
    line=$("$BIN/bench_send" --count "$N" --url "$URL")
    echo "round $r $line"
    rate=$(sed -E 's/.*, ([0-9.]+) forms\/s/\1/' <<<"$line")
    proxy_rates+=("$rate")

    start_server
    : >"$WORK/curl.cfg"
    for f in "$WORK"/bodies/*.xml; do
        {
            [ -s "$WORK/curl.cfg" ] && echo 'next'
            echo "url = \"$URL\""
            echo 'header = "SOAPAction: \"urn:ServerVARNOIntf-IServerVARNO#SendScheda\""'
            echo 'header = "Content-Type: text/xml; charset=\"utf-8\""'
            echo "data-binary = \"@$f\""
            echo 'output = "/dev/null"'
        } >>"$WORK/curl.cfg"
    done
    start=$(date +%s.%N)
    curl -s -K "$WORK/curl.cfg"
    end=$(date +%s.%N)
    stored=$(ls "$WORK/store" | wc -l)
    rate=$(python3 -c "print(round($N / ($end - $start), 1))")
    echo "round $r curl: $N forms ($stored stored) in $(python3 -c "print(round($end - $start, 3))") s, $rate forms/s"
    curl_rates+=("$rate")
done
python3 - "${proxy_rates[*]}" "${curl_rates[*]}" <<'PY'
import statistics, sys
p = [float(x) for x in sys.argv[1].split()]
c = [float(x) for x in sys.argv[2].split()]
for name, f in (("best", max), ("median", statistics.median)):
    print(f"{name}: proxy {f(p):.1f} forms/s, curl {f(c):.1f} forms/s, proxy/curl {100 * f(p) / f(c):.0f}%")
PY
