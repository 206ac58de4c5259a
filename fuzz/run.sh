#!/usr/bin/env bash
# Builds every fuzz target (fuzz/<name> defines fuzz_<name> and, optionally,
# fuzz_<name>_seeds writing its seed corpus) in a clang FUZZ build and runs
# each for a fixed time. Fails on any crash, leak or hang.
set -euo pipefail
BUILD=${1:-build-fuzz}
SECONDS_EACH=${2:-60}
JOBS=${JOBS:-$(nproc)}

if [ ! -f "$BUILD/build.ninja" ]; then
  CC=clang-14 CXX=clang++-14 cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DFUZZ=ON
fi

for dir in fuzz/*/; do
  name=$(basename "$dir")
  [ -f "$dir/CMakeLists.txt" ] || continue
  targets="fuzz_$name"
  if grep -q "fuzz_${name}_seeds" "$dir/CMakeLists.txt"; then targets="$targets fuzz_${name}_seeds"; fi
  # shellcheck disable=SC2086
  cmake --build "$BUILD" -j "$JOBS" --target $targets

  corpus="$BUILD/corpus/$name"
  artifacts="$BUILD/artifacts/$name/"
  mkdir -p "$corpus" "$artifacts"
  if [ -x "$BUILD/bin/fuzz_${name}_seeds" ]; then "$BUILD/bin/fuzz_${name}_seeds" "$corpus"; fi
  echo "fuzz: running fuzz_$name for ${SECONDS_EACH}s"
  "$BUILD/bin/fuzz_$name" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$artifacts" -print_final_stats=1 "$corpus"
done
