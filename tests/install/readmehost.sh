#!/bin/sh
# Builds the host example of README.md word for word (only the recorder's
# address is moved to one of this test's own) against a scratch install and
# runs it over the installed emulator: an edit and OK must be in the
# recorder's file once the example has returned, an edit and Cancel must not.
# Arguments: the build tree, a scratch folder, README.md, the driver's
# folder, the CMake generator, compiler and linker flags for the host.
set -eu
build=$1 scratch=$2 readme=$3 driver=$4 generator=$5 flags=${6:-}
address=127.0.0.123:5049

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

rm -rf "$scratch"
mkdir -p "$scratch/src"
cmake --install "$build" --prefix "$scratch/prefix" >"$scratch/install.log" 2>&1 ||
    fail "install: $(cat "$scratch/install.log")"

# The first C++ block of the host developers' section.
awk '/^## For host developers/ { inside = 1 }
     inside && /^```cpp$/ { code = 1; next }
     code && /^```$/ { exit }
     code { print }' "$readme" >"$scratch/src/readme.cpp"
grep -q 'DoPanorixSetup' "$scratch/src/readme.cpp" || fail "no host example in $readme"
grep -q '127\.0\.0\.2:5049' "$scratch/src/readme.cpp" || fail "the example's address moved"
sed "s/127\.0\.0\.2:5049/$address/" "$scratch/src/readme.cpp" >"$scratch/src/main.cpp"
cp "$driver/CMakeLists.txt" "$driver/driver.cpp" "$scratch/src/"

cmake -S "$scratch/src" -B "$scratch/build" -G "$generator" -DCMAKE_PREFIX_PATH="$scratch/prefix" \
    -DCMAKE_BUILD_TYPE=Release "-DCMAKE_CXX_FLAGS=$flags" "-DCMAKE_EXE_LINKER_FLAGS=$flags" \
    >"$scratch/configure.log" 2>&1 || fail "configuring: $(cat "$scratch/configure.log")"
cmake --build "$scratch/build" >"$scratch/build.log" 2>&1 ||
    fail "building the example: $(cat "$scratch/build.log")"

cp -R "$scratch/prefix/share/setupvelk/device" "$scratch/device"
"$scratch/prefix/bin/velk-device-sim" --listen "$address" --dir "$scratch/device" \
    >"$scratch/sim.log" 2>&1 &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
tries=0
until grep -q "^device " "$scratch/sim.log"; do
    tries=$((tries + 1))
    [ "$tries" -le 100 ] || fail "the emulator did not start: $(cat "$scratch/sim.log")"
    kill -0 "$sim" 2>/dev/null || fail "the emulator ended: $(cat "$scratch/sim.log")"
    sleep 0.1
done

unset LD_LIBRARY_PATH
export QT_QPA_PLATFORM=offscreen
host() {
    status=0
    VELK_README_DRIVE=$1 "$scratch/build/readme-host" >"$scratch/host-$1.log" 2>&1 || status=$?
    echo "$status"
}

status=$(host cancel)
[ "$status" = 1 ] || fail "Cancel: status $status, not 1: $(cat "$scratch/host-cancel.log")"
grep -q "readme-host" "$scratch/device/net.ini" && fail "Cancel stored the edit"
grep -q " length=" "$scratch/sim.log" && fail "Cancel uploaded: $(cat "$scratch/sim.log")"

status=$(host ok)
[ "$status" = 0 ] || fail "OK: status $status, not 0: $(cat "$scratch/host-ok.log")"
grep -q "hostname = 'readme-host'" "$scratch/device/net.ini" ||
    fail "OK returned, but the recorder's net.ini lacks the edit: $(cat "$scratch/device/net.ini")"
echo "README host: Cancel kept the recorder as it was, OK stored the edit before returning"
