#!/bin/sh
# Set up, build and run every test:
#   1. the suite, plainly (build/, warnings as errors);
#   2. the suite under AddressSanitizer and UndefinedBehaviorSanitizer
#      (build-sanitize/, leaks fail);
#   3. the suite under ThreadSanitizer (build-tsan/, any report fails);
#   4. each fuzzer for 30 seconds from its seeds (build-fuzz/, clang);
#   5. the Debian package (build-package/), checked by lintian and in a
#      scratch root.
set -eu
cd "$(dirname "$0")/.."

scripts/setup.sh test

jobs=$(( $(nproc) * 4 ))
for variant in plain sanitize thread; do
    case $variant in
        plain) dir=build option="" ;;
        sanitize) dir=build-sanitize option=-DVOSTREL_SANITIZE=ON ;;
        thread) dir=build-tsan option=-DVOSTREL_TSAN=ON ;;
    esac
    scripts/build.sh "$dir" -DVOSTREL_WERROR=ON $option
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

echo "== package =="
deb=$(scripts/package.sh | tail -n 1)
scripts/check_package.sh "$deb"
echo "== all tests passed =="
