#!/bin/bash
# Brings the real stereo views and the stereo calibration example that the
# opencv-doc package ships, and builds the example: only its examples are
# unpacked, into DIR, and the package is never installed.
set -euo pipefail
dir=$1
if [ -x "$dir/stereo_calib" ] && [ -f "$dir/data/left01.jpg" ]; then
    exit 0
fi
mkdir -p "$dir"
cd "$dir"
rm -f opencv-doc_*.deb
apt-get download opencv-doc >/dev/null || { apt-get update >/dev/null && apt-get download opencv-doc >/dev/null; }
examples=./usr/share/doc/opencv-doc/examples
dpkg-deb --fsys-tarfile opencv-doc_*.deb |
    tar -x --wildcards "$examples/data/left[01]*.jpg" "$examples/data/right[01]*.jpg" \
        "$examples/data/stereo_calib.xml" "$examples/cpp/stereo_calib.cpp"
rm -f opencv-doc_*.deb
rm -rf data && mv "$examples/data" data
mv "$examples/cpp/stereo_calib.cpp" .
rm -rf ./usr
# shellcheck disable=SC2046
c++ -O2 -o stereo_calib stereo_calib.cpp $(pkg-config --cflags --libs opencv4)
