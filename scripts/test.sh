#!/bin/sh
# Set up, build and run every test: the suite once plainly (build/) and once
# under AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize/),
# then each fuzzer for a short while from its seeds (build-fuzz/).
set -eu
cd "$(dirname "$0")/.."

scripts/setup.sh test

jobs=$(( $(nproc) * 4 ))
for variant in plain sanitize; do
    if [ "$variant" = plain ]; then
        dir=build
        scripts/build.sh "$dir" -DVOSTREL_WERROR=ON
    else
        dir=build-sanitize
        scripts/build.sh "$dir" -DVOSTREL_WERROR=ON -DVOSTREL_SANITIZE=ON
    fi
    echo "== tests ($variant build) =="
    (cd "$dir" && ctest -j"$jobs" --output-on-failure --timeout 120)
done

echo "== fuzzers (30 s each) =="
CC=clang CXX=clang++ scripts/build.sh build-fuzz -DVOSTREL_FUZZ=ON -DVOSTREL_TESTS=OFF
for target in record_file reply_decode frame_stream console_input; do
    corpus=build-fuzz/corpus/$target
    mkdir -p "$corpus"
    cp fuzz/seeds/$target/* "$corpus"/
    if ! build-fuzz/bin/fuzz_$target -max_total_time=30 -rss_limit_mb=2048 \
        -artifact_prefix=build-fuzz/ "$corpus" >build-fuzz/$target.log 2>&1; then
        tail -n 40 build-fuzz/$target.log
        echo "fuzz_$target failed; the input is in build-fuzz/" >&2
        exit 1
    fi
    echo "fuzz_$target: $(tail -n 1 build-fuzz/$target.log)"
done
echo "== all tests passed =="
