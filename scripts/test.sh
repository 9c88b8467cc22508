#!/bin/sh
# Set up, build and run every test: once plainly (build/) and once under
# AddressSanitizer and UndefinedBehaviorSanitizer (build-sanitize/).
set -eu
cd "$(dirname "$0")/.."

scripts/setup.sh

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
echo "== all tests passed =="
