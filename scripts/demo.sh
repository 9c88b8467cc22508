#!/bin/sh
# Set up, build and list the programs.
set -eu
cd "$(dirname "$0")/.."

scripts/setup.sh
scripts/build.sh build
echo "Programs in build/bin:"
ls build/bin
