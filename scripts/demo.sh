#!/usr/bin/env bash
# Opens the setup dialog on a scratch copy of the sample device, so the
# sample itself never changes. Without a display it runs under a virtual X
# server, saves a picture of every page and prints where they are.
set -euo pipefail
BUILD_DIR=${1:-build}
HOST="$BUILD_DIR/bin/panorix-setup"
DEMO_DIR="$BUILD_DIR/demo"

if [ ! -x "$HOST" ] || [ ! -d "$BUILD_DIR/device" ]; then
  echo "demo: $HOST or the sample device is missing; run 'make build' first." >&2
  exit 1
fi

rm -rf "$DEMO_DIR"
mkdir -p "$DEMO_DIR"
cp -r "$BUILD_DIR/device" "$DEMO_DIR/device"
echo "demo: sample device copied to $DEMO_DIR/device"

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  echo "demo: opening the setup dialog (OK stores into $DEMO_DIR/device)"
  status=0
  "$HOST" --flash "$DEMO_DIR/device" || status=$?
  case $status in
    0) echo "demo: accepted; the settings were stored in $DEMO_DIR/device" ;;
    1) echo "demo: cancelled; nothing was stored" ;;
    *) echo "demo: panorix-setup ended with status $status" >&2; exit "$status" ;;
  esac
  exit 0
fi

if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "demo: no display and no xvfb-run; run 'make deps' first." >&2
  exit 1
fi
echo "demo: no display; grabbing every page under a virtual X server"
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$HOST" --flash "$DEMO_DIR/device" --grab "$DEMO_DIR" > "$DEMO_DIR/pages.txt"
echo "demo: pictures of the pages:"
sed 's/^/  /' "$DEMO_DIR/pages.txt"
