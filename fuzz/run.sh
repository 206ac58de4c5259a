#!/usr/bin/env bash
# Builds every fuzz target (fuzz/<name> defines fuzz_<name> and, optionally,
# fuzz_<name>_seeds writing its seed corpus, and may hold <name>.dict) in a
# clang FUZZ build and runs each for a fixed time. Every target runs even
# after one fails; the run fails on any crash, undefined behaviour, leak,
# slow input or memory blow-up, naming the targets and their artifacts.
set -euo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-20}
JOBS=${JOBS:-$(nproc)}
# One input may take this long and this much memory before it counts as a
# finding; the whole run of a target is cut off well after its time is up.
INPUT_SECONDS=${FUZZ_INPUT_SECONDS:-10}
RSS_MB=${FUZZ_RSS_MB:-2048}
GRACE_SECONDS=120

if [ ! -f "$BUILD/build.ninja" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON
fi

# A target that must not sit beside other programs is built into its own folder.
executable() {
  local found
  found=$(find "$BUILD/bin" "$BUILD/fuzz/$1" -maxdepth 1 -type f -name "$2" 2>/dev/null | head -n 1)
  echo "${found:-$BUILD/bin/$2}"
}

export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/fuzz/common/lsan.supp:print_suppressions=0}
# The targets write scratch files for every input; in memory when the
# machine offers it, since a disk that discards freed blocks at once makes
# each input cost milliseconds.
scratch_parent=/tmp
if [ -d /dev/shm ] && [ -w /dev/shm ]; then scratch_parent=/dev/shm; fi
TMPDIR=$(mktemp -d -p "$scratch_parent" velk-fuzz.XXXXXX)
export TMPDIR
trap 'rm -rf "$TMPDIR"' EXIT
failed=()
for dir in fuzz/*/; do
  name=$(basename "$dir")
  [ -f "$dir/CMakeLists.txt" ] || continue
  targets="fuzz_$name"
  # grep reads the whole list: with pipefail, an early exit would fail ninja.
  if ninja -C "$BUILD" -t targets all | grep "^fuzz_${name}_seeds:" >/dev/null; then
    targets="$targets fuzz_${name}_seeds"
  fi
  # shellcheck disable=SC2086
  cmake --build "$BUILD" -j "$JOBS" --target $targets

  corpus="$BUILD/corpus/$name"
  artifacts="$BUILD/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  seeds=$(executable "$name" "fuzz_${name}_seeds")
  if [ -x "$seeds" ]; then "$seeds" "$corpus"; fi
  options=()
  if [ -f "$dir/$name.dict" ]; then options+=("-dict=$dir/$name.dict"); fi
  echo "fuzz: running fuzz_$name for ${SECONDS_EACH}s"
  # No input comes from the terminal: a target that opens standard input
  # reads its end at once instead of waiting for a key.
  if ! timeout -k 10 $((SECONDS_EACH + GRACE_SECONDS)) "$(executable "$name" "fuzz_$name")" \
      -max_total_time="$SECONDS_EACH" -timeout="$INPUT_SECONDS" -rss_limit_mb="$RSS_MB" \
      -artifact_prefix="$artifacts" -print_final_stats=1 "${options[@]}" "$corpus" </dev/null; then
    echo "fuzz: fuzz_$name FAILED; inputs kept in $artifacts"
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: failing targets: ${failed[*]}"
  exit 1
fi
