#!/bin/sh
# Configure and build one tree: scripts/build.sh DIR [cmake options...]
set -eu
cd "$(dirname "$0")/.."
dir=$1
shift
cmake -S . -B "$dir" "$@" >/dev/null
cmake --build "$dir" -j"$(nproc)"
