#!/usr/bin/env bash
# A whole exam site on this desktop, for a demonstration or a look by hand: a mosquitto broker
# on 127.0.0.1 at a free port (its password file and ACL made here, as a site's are, for the
# site "demo"), the exam office's console kvtmr-console logged in as office1, and three rooms
# A101, A102 and A103 (the kvtmr program), each with a settings folder of its own whose
# kvtmr-options.ini holds its link in the group [site]. Everything lives in a temporary folder;
# closing the console (or Ctrl-C) ends the rooms and the broker.
#
#   scripts/site-demo.sh [BUILD_DIR]        (make site-demo)
set -euo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
BUILD=$(realpath "${1:-$SRC/build}")
SITE=demo
ROOMS=(A101 A102 A103)
CONSOLE_BIN="$BUILD/src/console/kvtmr-console"
ROOM_BIN="$BUILD/src/app/kvtmr"

say() { printf 'site-demo: %s\n' "$*" >&2; }
fail() {
    say "$*"
    exit 1
}

[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] || fail "no display (DISPLAY is not set); start it from a desktop session"
for bin in "$CONSOLE_BIN" "$ROOM_BIN"; do
    [ -x "$bin" ] || fail "$bin is missing: build first (make build)"
done

DEMO=$(mktemp -d "${TMPDIR:-/tmp}/kvtmr-site-demo.XXXXXX")
chmod 700 "$DEMO"
PIDS=()
stop_all() {
    local pid
    for pid in "${PIDS[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${PIDS[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    say "stopped; the demo's files (logs, settings) stay in $DEMO"
}
trap stop_all EXIT
trap 'exit 130' INT TERM

source "$SRC/scripts/site-broker.sh"
site_broker "$DEMO" "$SITE" office1 watch1 "${ROOMS[@]}" || fail "the broker did not start"
PIDS+=("$SITE_BROKER_PID")
say "broker on 127.0.0.1:$SITE_PORT, site $SITE, files in $DEMO"

# The rooms: each its own configuration folder (its settings, its options, its lock).
for room in "${ROOMS[@]}"; do
    dir="$DEMO/$room"
    mkdir -p "$dir/config" "$dir/data" "$dir/work"
    site_room_options "$dir/config/kvtmr-options.ini" "$SITE" "$room"
    (cd "$dir/work" && XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" \
        exec "$ROOM_BIN" >"$dir/kvtmr.log" 2>&1) &
    PIDS+=($!)
done

# The console, logged in as office1.
cdir="$DEMO/console"
mkdir -p "$cdir/data"
site_console_options "$cdir/config/kvtmr/kvtmr-console.ini" "$SITE" office1
say "console as office1; the observer watch1's password is ${SITE_PW[watch1]}"
XDG_CONFIG_HOME="$cdir/config" XDG_DATA_HOME="$cdir/data" "$CONSOLE_BIN" >"$cdir/console.log" 2>&1 &
CONSOLE=$!
PIDS+=("$CONSOLE")
wait "$CONSOLE" || true
