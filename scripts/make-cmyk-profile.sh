#!/usr/bin/env bash
# Regenerates resources/profile/cmyk.icc, the engine's default CMYK output
# profile, from the FOGRA39L characterisation data of Debian's
# icc-profiles-free package. See resources/profile/README.md.
set -euo pipefail
cd "$(dirname "$0")/.."
data="${1:-/usr/share/color/icc/FOGRA39L.ti3}"
tool="$(mktemp -d)/make_cmyk_profile"
trap 'rm -rf "$(dirname "$tool")"' EXIT
g++ -O2 -std=c++17 -Wall -Wextra -pthread -o "$tool" scripts/cmyk-profile/make_cmyk_profile.cpp
"$tool" "$data" resources/profile/cmyk.icc
