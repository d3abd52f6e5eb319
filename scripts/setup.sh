#!/usr/bin/env bash
# Shared set-up of run.sh and test.sh: installs the missing Debian packages, builds into build/
# and prepares the program folder beside the executable. Source it; it sets VARNO_BIN.
set -euo pipefail

VARNO_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
VARNO_BUILD=${VARNO_BUILD:-$VARNO_ROOT/build}
VARNO_BIN=$VARNO_BUILD/bin

varno_packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-httpserver-dev
    qt6-websockets-dev curl
    fonts-wine fonts-dejavu-core
    "$@"
)

varno_install_packages() {
    local missing=()
    for p in "${varno_packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    export DEBIAN_FRONTEND=noninteractive
    "${sudo[@]}" apt-get update -qq
    "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

varno_build() {
    cmake -S "$VARNO_ROOT" -B "$VARNO_BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
    cmake --build "$VARNO_BUILD"
}

# The folders and the INI file the program expects beside its executable.
varno_prepare_folder() {
    mkdir -p "$VARNO_BIN/DaInviare" "$VARNO_BIN/Inviati"
    [ -e "$VARNO_BIN/Varno.Ini" ] || : >"$VARNO_BIN/Varno.Ini"
}
