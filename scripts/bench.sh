#!/bin/sh
# Build Release and run the benchmark: the tools side by side with small C
# floors and a Python monitor, on 127.0.0.1, printed as one table of ratios
# against the targets (the latest table is kept in bench/RESULTS.md).
#
# usage: scripts/bench.sh [--smoke] [--reports N] [--runs N]
#   --smoke   a short pass that only shows the benchmark still runs
set -eu
cd "$(dirname "$0")/.."

scripts/setup.sh  # nanopb brings python3-protobuf and protoc
echo "building Release into build-release/ ..." >&2
log=build-release.log
if ! scripts/build.sh build-release -DCMAKE_BUILD_TYPE=Release -DVOSTREL_TESTS=OFF >"$log" 2>&1; then
    cat "$log" >&2
    exit 1
fi
rm -f "$log"
mkdir -p build-release/python
protoc -Iproto --python_out=build-release/python proto/arm.proto
exec build-release/bin/bench build-release/bin --python build-release/python "$@"
