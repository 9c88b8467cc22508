#!/bin/sh
# Build Release and run the benchmark: the tools side by side with small C
# floors and a Python monitor, on 127.0.0.1, printed as one table of ratios
# against the targets (the latest table is kept in bench/RESULTS.md).
#
# usage: scripts/bench.sh [--smoke] [--reports N] [--runs N] [--beside REV]
#   --smoke       a short pass that only shows the benchmark still runs
#   --beside REV  also build the git revision REV (Release, in a worktree in
#                 build-beside/) and measure its monitor beside this one
set -eu
cd "$(dirname "$0")/.."

scripts/setup.sh  # nanopb brings python3-protobuf and protoc
build() {  # build SOURCE_DIR BUILD_DIR
    echo "building Release into $2/ ..." >&2
    log=$2.log
    if ! cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=Release -DVOSTREL_TESTS=OFF >"$log" 2>&1 ||
        ! cmake --build "$2" -j"$(nproc)" >>"$log" 2>&1; then
        cat "$log" >&2
        exit 1
    fi
    rm -f "$log"
}
build . build-release
mkdir -p build-release/python
protoc -Iproto --python_out=build-release/python proto/arm.proto

# The options go to the benchmark as they are, but --beside, whose revision
# is built first and whose programs are passed on.
beside=""
count=$#
while [ "$count" -gt 0 ]; do
    argument=$1
    shift
    count=$((count - 1))
    if [ "$argument" = --beside ] && [ "$count" -gt 0 ]; then
        beside=$1
        shift
        count=$((count - 1))
        continue
    fi
    set -- "$@" "$argument"
done
if [ -n "$beside" ]; then
    rm -rf build-beside
    git worktree prune
    git worktree add --detach build-beside/src "$beside" >/dev/null
    build build-beside/src build-beside/build
    set -- "$@" --beside build-beside/build/bin
fi
exec build-release/bin/bench build-release/bin --python build-release/python "$@"
