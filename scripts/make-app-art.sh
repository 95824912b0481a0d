#!/usr/bin/env bash
# Regenerates the application's PNG pictures (window icon sizes, about-box
# splash) from their sources; see resources/appicon/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
tool="$(mktemp -d)/make_app_art"
trap 'rm -rf "$(dirname "$tool")"' EXIT
g++ -O2 -std=c++17 -fPIC -Wall -Wextra -o "$tool" scripts/app-art/make_app_art.cpp \
  $(pkg-config --cflags --libs Qt5Gui Qt5Svg)
"$tool" resources
