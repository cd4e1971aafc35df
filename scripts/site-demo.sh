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
MOSQUITTO=$(command -v mosquitto || echo /usr/sbin/mosquitto)
[ -x "$MOSQUITTO" ] || fail "mosquitto is missing (apt-get install mosquitto)"
command -v mosquitto_passwd >/dev/null || fail "mosquitto_passwd is missing (apt-get install mosquitto)"

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

# A free port on the loopback (nothing listens there at the moment it is asked for).
PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

# Users and generated passwords, the ACL of the site's package for the site "demo".
password() { head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9' | head -c 16; }
declare -A PW
for user in office1 watch1 "${ROOMS[@]}"; do
    PW[$user]=$(password)
    if [ -f "$DEMO/kvtmr.passwd" ]; then
        mosquitto_passwd -b "$DEMO/kvtmr.passwd" "$user" "${PW[$user]}"
    else
        mosquitto_passwd -c -b "$DEMO/kvtmr.passwd" "$user" "${PW[$user]}"
    fi
done
chmod 600 "$DEMO/kvtmr.passwd"
sed "s/SITE/$SITE/g" "$SRC/packaging/site/kvtmr.acl" >"$DEMO/kvtmr.acl"
cat >"$DEMO/mosquitto.conf" <<CONF
allow_anonymous false
password_file $DEMO/kvtmr.passwd
acl_file $DEMO/kvtmr.acl
max_packet_size 131072
persistence true
persistence_location $DEMO/
log_dest file $DEMO/mosquitto.log
listener $PORT 127.0.0.1
use_username_as_clientid true
CONF
# Run as root, the broker would change to the user "mosquitto", who cannot read the demo's
# private folder.
if [ "$(id -u)" -eq 0 ]; then echo "user root" >>"$DEMO/mosquitto.conf"; fi
"$MOSQUITTO" -c "$DEMO/mosquitto.conf" >>"$DEMO/mosquitto.log" 2>&1 &
PIDS+=($!)
# Wait, with a deadline, until it takes connections.
for _ in $(seq 1 100); do
    if (exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null; then break; fi
    kill -0 "${PIDS[0]}" 2>/dev/null || fail "mosquitto did not start: $(tail -n 5 "$DEMO/mosquitto.log")"
    sleep 0.1
done
(exec 3<>"/dev/tcp/127.0.0.1/$PORT") 2>/dev/null || fail "mosquitto does not answer on port $PORT"
say "broker on 127.0.0.1:$PORT, site $SITE, files in $DEMO"

# The rooms: each its own configuration folder (its settings, its options, its lock).
for room in "${ROOMS[@]}"; do
    dir="$DEMO/$room"
    mkdir -p "$dir/config" "$dir/data" "$dir/work"
    cat >"$dir/config/kvtmr-options.ini" <<INI
[site]
enabled=true
host=127.0.0.1
port=$PORT
site=$SITE
room=$room
password=${PW[$room]}
INI
    chmod 600 "$dir/config/kvtmr-options.ini"
    (cd "$dir/work" && XDG_CONFIG_HOME="$dir/config" XDG_DATA_HOME="$dir/data" \
        exec "$ROOM_BIN" >"$dir/kvtmr.log" 2>&1) &
    PIDS+=($!)
done

# The console, logged in as office1.
cdir="$DEMO/console"
mkdir -p "$cdir/config/kvtmr" "$cdir/data"
cat >"$cdir/config/kvtmr/kvtmr-console.ini" <<INI
[site]
enabled=true
host=127.0.0.1
port=$PORT
site=$SITE
user=office1
password=${PW[office1]}
tls=false
observer=false
INI
chmod 600 "$cdir/config/kvtmr/kvtmr-console.ini"
say "console as office1; the observer watch1's password is ${PW[watch1]}"
XDG_CONFIG_HOME="$cdir/config" XDG_DATA_HOME="$cdir/data" "$CONSOLE_BIN" >"$cdir/console.log" 2>&1 &
CONSOLE=$!
PIDS+=("$CONSOLE")
wait "$CONSOLE" || true
