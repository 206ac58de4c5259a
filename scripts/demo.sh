#!/usr/bin/env bash
# Opens the setup dialog on a scratch copy of the sample device, so the
# sample itself never changes: played by the device emulator on 127.0.0.2
# (default), or kept as files like a flash drive ("flash").
# Without a display it runs under a virtual X server, saves a picture of every
# page, stores once and prints where the pictures are.
set -euo pipefail
BUILD_DIR=${1:-build}
MODE=${2:-device}
HOST="$BUILD_DIR/bin/panorix-setup"
SIM="$BUILD_DIR/bin/velk-device-sim"
DEMO_DIR="$BUILD_DIR/demo"
LISTEN=127.0.0.2:5049

if [ ! -x "$HOST" ] || [ ! -x "$SIM" ] || [ ! -d "$BUILD_DIR/device" ]; then
  echo "demo: the programs or the sample device are missing; run 'make build' first." >&2
  exit 1
fi

rm -rf "$DEMO_DIR"
mkdir -p "$DEMO_DIR"
cp -r "$BUILD_DIR/device" "$DEMO_DIR/device"
echo "demo: sample device copied to $DEMO_DIR/device"

# The remembered logins of this demo stay in the demo folder.
export PXSETTINGS_FILE="$DEMO_DIR/pxsettings.ini"

sim_pid=""
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null || true; }
trap cleanup EXIT

if [ "$MODE" = flash ]; then
  SOURCE=(--flash "$DEMO_DIR/device")
else
  "$SIM" --listen "$LISTEN" --dir "$DEMO_DIR/device" --login admin --password admin \
    > "$DEMO_DIR/device-log.txt" 2>&1 &
  sim_pid=$!
  for _ in $(seq 50); do
    grep -q "^device " "$DEMO_DIR/device-log.txt" 2>/dev/null && break
    kill -0 "$sim_pid" 2>/dev/null || { cat "$DEMO_DIR/device-log.txt" >&2; exit 1; }
    sleep 0.1
  done
  echo "demo: the emulated recorder listens on $LISTEN (login admin, password admin)"
  SOURCE=("admin@$LISTEN" --password admin)
fi

if [ -n "${DISPLAY:-}" ] && [ -z "${CI:-}" ]; then
  echo "demo: opening the setup dialog (OK stores into $DEMO_DIR/device)"
  status=0
  "$HOST" "${SOURCE[@]}" || status=$?
  case $status in
    0) echo "demo: accepted; the settings were stored in $DEMO_DIR/device" ;;
    1) echo "demo: cancelled; nothing was stored" ;;
    4) echo "demo: loading or storing failed; see the message above" >&2; exit 4 ;;
    *) echo "demo: panorix-setup ended with status $status" >&2; exit "$status" ;;
  esac
  exit 0
fi

# A user's bad days, each grabbed into its own folder: a refused login, a
# store that fails after OK, and the dialog at scale factor 2 on a small
# screen. Message boxes are answered and the login dialog is cancelled, so
# these runs end with a failure status on purpose.
bad_days() {
  local other=127.0.0.3:5049 other_pid status
  echo "demo: a user's bad days:"
  xvfb-run -a -s "-screen 0 1280x1024x24" "$HOST" "admin@$LISTEN" --password wrong \
    --grab "$DEMO_DIR/login-refused" --timeout 30 > "$DEMO_DIR/login-refused.txt" 2>&1 || true
  echo "  refused login: $DEMO_DIR/login-refused/ (login dialog after the refusal)"

  "$SIM" --listen "$other" --dir "$DEMO_DIR/device" --fault upload-close-mid-frame \
    > "$DEMO_DIR/store-failure-device.txt" 2>&1 &
  other_pid=$!
  for _ in $(seq 50); do
    grep -q "^device " "$DEMO_DIR/store-failure-device.txt" 2>/dev/null && break
    sleep 0.1
  done
  status=0
  xvfb-run -a -s "-screen 0 1280x1024x24" "$HOST" "admin@$other" --password admin \
    --grab "$DEMO_DIR/store-failure" --edit net/common/hostname=edited-in-demo --store \
    --timeout 60 > "$DEMO_DIR/store-failure.txt" 2>&1 ||
    status=$?
  kill "$other_pid" 2>/dev/null || true
  echo "  store failing after OK (status $status): $DEMO_DIR/store-failure/ (the store's progress" \
    "inside the dialog, the message, the dialog still open with the edit)"

  QT_SCALE_FACTOR=2 xvfb-run -a -s "-screen 0 1280x900x24" "$HOST" "admin@$LISTEN" \
    --password admin --grab "$DEMO_DIR/scale-2" --timeout 60 > "$DEMO_DIR/scale-2.txt" 2>&1 || true
  echo "  scale factor 2 on a 1280x900 screen: $DEMO_DIR/scale-2/"
}

if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "demo: no display and no xvfb-run; run 'make deps' first." >&2
  exit 1
fi
echo "demo: no display; grabbing every page under a virtual X server, then storing once"
unset QT_QPA_PLATFORM
xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$HOST" "${SOURCE[@]}" --grab "$DEMO_DIR" --store > "$DEMO_DIR/pages.txt"
echo "demo: pictures of the pages and of the windows on the way:"
sed 's/^/  /' "$DEMO_DIR/pages.txt"
# The Users and Software pages with one of their messages open, built from
# copies of the device's files.
MESSAGES_DIR="$DEMO_DIR/messages"
mkdir -p "$MESSAGES_DIR"
DESCRIPTION="$(dirname "$0")/../examples/device/setup-m.xml"
device_files=()
# Each settings file under the name the description gives it.
while read -r name file; do
  [ -f "$DEMO_DIR/device/$file" ] || continue
  cp "$DEMO_DIR/device/$file" "$MESSAGES_DIR/"
  device_files+=(--file "$name=$MESSAGES_DIR/$file")
done < <(sed -n 's/.*<difile name="\([^"]*\)" get_command="\([^"]*\.ini\)".*/\1 \2/p' "$DESCRIPTION")
"$BUILD_DIR/bin/velk-dialog-grab" "$DESCRIPTION" \
  "$MESSAGES_DIR/sample.png" "${device_files[@]}" \
  --open "Users=accessdlgerr_editrights" --open "Software=softcantdelete" \
  > "$MESSAGES_DIR/pictures.txt"
echo "demo: pages with a message open:"
grep -v -- '-tab[0-9]*\.png$' "$MESSAGES_DIR/pictures.txt" | sed 's/^/  /'
if [ -n "$sim_pid" ]; then
  echo "demo: what the recorder received:"
  sed 's/^/  /' "$DEMO_DIR/device-log.txt"
  bad_days
fi
