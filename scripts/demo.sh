#!/usr/bin/env bash
# Opens the setup dialog on a scratch copy of the sample device.
set -euo pipefail
BUILD_DIR=${1:-build}
if [ ! -x "$BUILD_DIR/bin/panorix-setup" ]; then
  echo "demo: the host program is not built yet: the demo arrives with the setup dialog and the sample device." >&2
  echo "demo: for now, 'make test' exercises what exists." >&2
  exit 0
fi
