#!/usr/bin/env bash
# Runs one libFuzzer target for a given time:  scripts/fuzz.sh TARGET SECONDS
#   TARGET: bmp_reader | load_save | gif_writer | convert_input | convert_arguments | cli_arguments
# Configures and builds the clang build folder build-fuzz when needed. The committed seeds
# (fuzz/corpus/TARGET) and reproducers (fuzz/regressions/TARGET) are read, never written; the
# inputs a run learns go to fuzz/work/TARGET/corpus and what it finds to
# fuzz/work/TARGET/artifacts (both ignored by git). Keep every finding as a file under
# fuzz/regressions/TARGET, where fuzz_replay_test replays it in every build.
set -euo pipefail
cd "$(dirname "$0")/.."

usage() {
  echo "usage: $0 bmp_reader|load_save|gif_writer|convert_input|convert_arguments|cli_arguments SECONDS" >&2
  exit 2
}
[ $# -eq 2 ] || usage
target=$1
seconds=$2
case "$target" in bmp_reader | load_save | gif_writer | convert_input | convert_arguments | cli_arguments) ;; *) usage ;; esac
[[ "$seconds" =~ ^[0-9]+$ ]] || usage

build=build-fuzz
if [ ! -f "$build/build.ninja" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DKESTRIN_SANITIZE=ON -DKESTRIN_FUZZ=ON -DKESTRIN_BENCH=OFF \
    >/dev/null
fi
cmake --build "$build" -j 2 --target "fuzz_$target"

work=fuzz/work/$target
mkdir -p "$work/corpus" "$work/artifacts"
log=$work/last-run.log
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

status=0
"$build/bin/fuzz_$target" -max_total_time="$seconds" -timeout=10 -max_len=4096 \
  -print_final_stats=1 -artifact_prefix="$work/artifacts/" \
  "$work/corpus" "fuzz/corpus/$target" "fuzz/regressions/$target" 2>&1 | tee "$log" ||
  status=$?

execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
found=$(find "$work/artifacts" -type f | wc -l)
echo "== $target: ${execs:-?} execs in ${seconds} s, ${rate:-?} exec/s," \
  "corpus $(find "$work/corpus" -type f | wc -l) files, $found files in $work/artifacts"
exit "$status"
