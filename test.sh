#!/usr/bin/env bash
# Installs what is missing, builds, runs every test, then the library and application tests and
# the replay of the fuzz targets' seeds and reproducers once more under AddressSanitizer and
# UndefinedBehaviorSanitizer, then installs into a temporary prefix and builds and runs a client
# project against it. Exits non-zero on any failure.
set -euo pipefail
cd "$(dirname "$0")"
scripts/ensure-packages.sh
export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

echo "== Library and application tests under AddressSanitizer + UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTRIN_SANITIZE=ON \
  -DKESTRIN_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs" --target platform_test pellory_test fennick_test \
  fuzz_replay_test fuzz_cli_replay_test kestrin_test savejpg_test tessaly_test
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
build-asan/bin/platform_test --gtest_brief=1
build-asan/bin/pellory_test --gtest_brief=1
build-asan/bin/fennick_test --gtest_brief=1
build-asan/bin/fuzz_replay_test --gtest_brief=1
build-asan/bin/fuzz_cli_replay_test --gtest_brief=1
build-asan/bin/kestrin_test --gtest_brief=1
build-asan/bin/savejpg_test --gtest_brief=1
build-asan/bin/tessaly_test --gtest_brief=1
echo "== Install tree: a client project built against it alone, the program started from it =="
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/prefix
cmake --install build --prefix "$prefix" >/dev/null
# Nothing but the prefix (and the system) is searched, and nothing finds libraries for them.
unset LD_LIBRARY_PATH
cmake -S packaging/consumer -B "$scratch/consumer" -G Ninja -DCMAKE_PREFIX_PATH="$prefix" \
  -DCMAKE_FIND_USE_PACKAGE_REGISTRY=OFF >/dev/null
cmake --build "$scratch/consumer" >/dev/null
"$scratch/consumer/kestrin_consumer"
# The installed program finds its libraries by its run path: it gets as far as saying that
# there is no display.
status=0
message=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$prefix/bin/kestrin" 2>&1) ||
  status=$?
if [[ $status -ne 2 || $message != "kestrin: no display available"* ]]; then
  echo "installed kestrin: exit $status: $message" >&2
  exit 1
fi
rm -rf "$scratch"
trap - EXIT

echo "== The install tree read-only, run by an unprivileged user =="
scripts/check-install-readonly.sh build
scripts/check-deb.sh build
echo "All tests passed."
