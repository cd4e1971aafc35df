# shellcheck shell=bash
# A site's broker for a demonstration or a test on this machine: mosquitto on 127.0.0.1 at a
# free port, with a password file and the ACL of the site's package for one site, as a site
# sets its broker up. Sourced by scripts/site-demo.sh and the end-to-end tests.
#
#   site_broker DIR SITE USER...   starts it with files in DIR (made private) and a generated
#                                  password for each user; sets SITE_PORT, SITE_BROKER_PID and
#                                  the array SITE_PW (user -> password); fails with a message
#                                  on stderr when mosquitto is missing or does not answer
#   site_broker_answers            the broker takes connections on SITE_PORT
#   site_room_options FILE SITE ROOM      a room's kvtmr-options.ini with its link to it
#   site_console_options FILE SITE USER   the console's kvtmr-console.ini logged in as USER

declare -gA SITE_PW
SITE_PORT=""
SITE_BROKER_PID=""

site_broker_answers() { (exec 3<>"/dev/tcp/127.0.0.1/$SITE_PORT") 2>/dev/null; }

site_broker() {
    local dir=$1 site=$2 user mosquitto
    shift 2
    mosquitto=$(command -v mosquitto || echo /usr/sbin/mosquitto)
    if [ ! -x "$mosquitto" ] || ! command -v mosquitto_passwd >/dev/null; then
        echo "mosquitto is missing (apt-get install mosquitto)" >&2
        return 1
    fi
    mkdir -p "$dir"
    chmod 700 "$dir"
    # A free port on the loopback (nothing listens there at the moment it is asked for).
    SITE_PORT=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    rm -f "$dir/kvtmr.passwd"
    for user in "$@"; do
        SITE_PW[$user]=$(head -c 18 /dev/urandom | base64 | tr -dc 'A-Za-z0-9' | head -c 16)
        if [ -f "$dir/kvtmr.passwd" ]; then
            mosquitto_passwd -b "$dir/kvtmr.passwd" "$user" "${SITE_PW[$user]}"
        else
            mosquitto_passwd -c -b "$dir/kvtmr.passwd" "$user" "${SITE_PW[$user]}"
        fi
    done
    chmod 600 "$dir/kvtmr.passwd"
    sed "s/SITE/$site/g" "$(dirname "${BASH_SOURCE[0]}")/../packaging/site/kvtmr.acl" >"$dir/kvtmr.acl"
    cat >"$dir/mosquitto.conf" <<CONF
allow_anonymous false
password_file $dir/kvtmr.passwd
acl_file $dir/kvtmr.acl
max_packet_size 131072
persistence true
persistence_location $dir/
log_dest file $dir/mosquitto.log
listener $SITE_PORT 127.0.0.1
use_username_as_clientid true
CONF
    # Run as root, the broker would change to the user "mosquitto", who cannot read the
    # private folder.
    if [ "$(id -u)" -eq 0 ]; then echo "user root" >>"$dir/mosquitto.conf"; fi
    "$mosquitto" -c "$dir/mosquitto.conf" >>"$dir/mosquitto.log" 2>&1 &
    SITE_BROKER_PID=$!
    # Wait, with a deadline, until it takes connections.
    local i
    for ((i = 0; i < 100; i++)); do
        site_broker_answers && return 0
        if ! kill -0 "$SITE_BROKER_PID" 2>/dev/null; then
            echo "mosquitto did not start: $(tail -n 5 "$dir/mosquitto.log")" >&2
            return 1
        fi
        sleep 0.1
    done
    echo "mosquitto does not answer on port $SITE_PORT" >&2
    return 1
}

# site_options FILE SITE KEY NAME: the [site] group with KEY (room or user) set to NAME.
site_options() {
    mkdir -p "$(dirname "$1")"
    cat >"$1" <<INI
[site]
enabled=true
host=127.0.0.1
port=$SITE_PORT
site=$2
$3=$4
password=${SITE_PW[$4]}
INI
    chmod 600 "$1"
}
site_room_options() { site_options "$1" "$2" room "$3"; }
site_console_options() {
    site_options "$1" "$2" user "$3"
    printf 'tls=false\nobserver=false\n' >>"$1"
}
