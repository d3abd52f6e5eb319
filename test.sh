#!/usr/bin/env bash
# Sets up, builds and runs the whole test suite; exits non-zero on any failure.
set -euo pipefail
source "$(dirname "$0")/scripts/setup.sh" xvfb xauth xdotool python3 poppler-utils
varno_install_packages
varno_build
varno_prepare_folder
cd "$VARNO_BUILD"
export QT_QPA_PLATFORM=offscreen
ctest --output-on-failure -j2
