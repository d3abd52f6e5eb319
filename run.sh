#!/usr/bin/env bash
# Sets up, builds and starts VARNO, with the local survey server running beside it while the
# program runs.
set -euo pipefail
# The set-up takes no arguments of ours: only its own package list.
set --
source "$(dirname "$0")/scripts/setup.sh"
varno_install_packages
varno_build
varno_prepare_folder

# A new user can send at once: with no server address in Varno.Ini, the local server's.
"$VARNO_BIN/varnotool" set-server "$VARNO_BIN/Varno.Ini" 127.0.0.1:8080 --if-empty ||
    echo "Varno.Ini: server address not written" >&2

# The local survey server on 127.0.0.1:8080, keeping the forms it receives in
# SchedeRicevute/ beside it; its log is varno-server.log. Stopped when the program ends.
server_pid=
stop_server() {
    if [ -n "$server_pid" ]; then
        kill "$server_pid" 2>/dev/null || true
        wait "$server_pid" 2>/dev/null || true
    fi
}
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
if [ -x "$VARNO_BIN/varno-server" ]; then
    "$VARNO_BIN/varno-server" --port 8080 >>"$VARNO_BIN/varno-server.log" 2>&1 &
    server_pid=$!
fi

"$VARNO_BIN/varno"
