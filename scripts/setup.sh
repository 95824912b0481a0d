#!/usr/bin/env bash
# Installs every dependency (Debian 12), then configures and builds everything
# in Release into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

mapfile -t packages < <(grep -v '^\s*#' scripts/packages.txt | grep -v '^\s*$')
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${packages[@]}" >/dev/null

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DMORVELIN_WERROR="${MORVELIN_WERROR:-OFF}"
cmake --build build -j"$jobs"

# The main job, seen working: a sample picture painted through the staged
# plug-in bundle (plug-in, child application, effect) by our own small host.
build/tests/ofx/ofx_sample_picture build/sample.png
build/tests/ofx/ofx_host build/sample.png build/sample-painted.png
echo "Painted sample picture: build/sample-painted.png (from build/sample.png)"
