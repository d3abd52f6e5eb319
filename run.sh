#!/usr/bin/env bash
# Sets up, builds and starts VARNO.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh"
varno_install_packages
varno_build
varno_prepare_folder
exec "$VARNO_BIN/varno"
