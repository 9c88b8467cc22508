#!/bin/sh
# Set up, build and run every test:
#   1. the suite, plainly (build/, warnings as errors);
#   2. the suite under AddressSanitizer and UndefinedBehaviorSanitizer
#      (build-sanitize/, clang, leaks fail);
#   3. the suite under ThreadSanitizer (build-tsan/, any report fails);
#   4. the seven fuzzers side by side for 30 seconds from their seeds (built in
#      build-sanitize/);
#   5. the Debian package of build/, checked by lintian and in a scratch root.
set -eu
cd "$(dirname "$0")/.."

scripts/setup.sh test
started=$(date +%s)
# "== what (at N s) ==": each step headed with the seconds since the start.
step() { echo "== $1 (at $(( $(date +%s) - started )) s) =="; }

jobs=$(( $(nproc) * 4 ))
for variant in plain sanitize thread; do
    case $variant in
        plain) dir=build ;;
        sanitize) dir=build-sanitize ;;
        thread) dir=build-tsan ;;
    esac
    case $variant in
        plain) scripts/build.sh build -DVOSTREL_WERROR=ON ;;
        # clang, so that the same tree holds the fuzzers, built with the same sanitizers.
        sanitize) CC=clang CXX=clang++ scripts/build.sh build-sanitize -DVOSTREL_WERROR=ON \
            -DVOSTREL_SANITIZE=ON -DVOSTREL_FUZZ=ON ;;
        thread) scripts/build.sh build-tsan -DVOSTREL_WERROR=ON -DVOSTREL_TSAN=ON ;;
    esac
    step "tests ($variant build)"
    (cd "$dir" && ctest -j"$jobs" --output-on-failure --timeout 120)
done

step "fuzzers (30 s, side by side)"
targets="record_file reply_decode frame_stream console_input request_text mcap_reader viewer_control"
for target in $targets; do
    corpus=build-sanitize/corpus/$target
    mkdir -p "$corpus"
    cp fuzz/seeds/$target/* "$corpus"/
    build-sanitize/bin/fuzz_$target -max_total_time=30 -rss_limit_mb=2048 \
        -artifact_prefix=build-sanitize/$target- "$corpus" >build-sanitize/$target.log 2>&1 &
    eval "pid_$target=\$!"
done
failed=""
for target in $targets; do
    eval "pid=\$pid_$target"
    if wait "$pid"; then
        echo "fuzz_$target: $(tail -n 1 build-sanitize/$target.log)"
    else
        tail -n 40 build-sanitize/$target.log
        failed="$failed $target"
    fi
done
if [ -n "$failed" ]; then
    echo "fuzzers failed:$failed; their inputs are in build-sanitize/" >&2
    exit 1
fi

step "package"
deb=$(scripts/package.sh build | tail -n 1)
scripts/check_package.sh "$deb"
step "all tests passed"
