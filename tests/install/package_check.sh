#!/usr/bin/env bash
# Checks the Debian package:
#   1. lintian finds nothing (tags that are meant carry an override with its reason);
#   2. its control fields: the Depends from dpkg-shlibdeps and the run-time packages;
#   3. on a machine where it may (root, and CI=true or KVTMR_PACKAGE_INSTALL=1, and kvtmr not
#      installed already): dpkg -i; every file in place; the program started by its desktop
#      entry's command from a working directory and a home of its own, under Xvfb with a
#      PulseAudio null sink, shows its window and plays the background melody from
#      /usr/share/kvtmr/sounds; dpkg --purge; and then the file system holds exactly the
#      names it held before the install.
# Usage: package_check.sh PATH/TO/kvtmr_VERSION_ARCH.deb SOURCE_DIR
set -euo pipefail
DEB=$(realpath "$1")
SRC=$(realpath "$2")
HERE=$(cd "$(dirname "$0")" && pwd)
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/e2e/app.sh"
source "$HERE/installed.sh"
say() { printf 'package_check: %s\n' "$*"; }

# 1. lintian: every tag it emits fails the check, from errors down to pedantic notes; tags
# overridden by the package (O:) are shown with their reasons (N:). It is judged from its
# output, since with --show-overrides it also counts overridden tags in its exit status.
command -v lintian >/dev/null || inst_fail "lintian is missing (apt-get install lintian)"
lint=$(lintian --display-info --pedantic --show-overrides --fail-on none "$DEB" 2>&1) ||
    inst_fail "lintian did not run: $lint"
if grep -E '^[EWIPX]: ' <<<"$lint" >&2; then inst_fail "lintian found the problems above"; fi
say "lintian: no tags; $(grep -c '^O: ' <<<"$lint" || true) overridden:"
grep -E '^[ON]: ' <<<"$lint" || true

# 2. control fields
depends=$(dpkg-deb -f "$DEB" Depends)
for p in libc6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6multimedia6 libqt6dbus6 \
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good fonts-arphic-uming fonts-arphic-ukai \
    fonts-liberation2 fonts-noto-cjk qt6-translations-l10n libmosquitto1; do
    grep -Eq "(^|, )$p( |,|$)" <<<"$depends" || inst_fail "Depends lacks $p: $depends"
done
say "Depends: $depends"
recommends=$(dpkg-deb -f "$DEB" Recommends)
grep -Eq "(^|, )chrony( |,|$)" <<<"$recommends" || inst_fail "Recommends lacks chrony: $recommends"
contents=$(dpkg-deb -c "$DEB")
for f in kvtmr.conf kvtmr.acl 考点联网指南.md; do
    grep -q "/usr/share/kvtmr/site/$f\$" <<<"$contents" || inst_fail "the package lacks share/kvtmr/site/$f"
done
# The timer's entry is the one that starts kvtmr (the console has an entry of its own).
APP_ID=""
for entry in $(sed -n 's|.*\./usr/share/applications/\(.*\)\.desktop$|\1|p' <<<"$contents"); do
    if dpkg-deb --fsys-tarfile "$DEB" | tar -xO "./usr/share/applications/$entry.desktop" |
        grep -x 'Exec=kvtmr' >/dev/null; then
        APP_ID=$entry
    fi
done
[ -n "$APP_ID" ] || inst_fail "the package holds no desktop entry that starts kvtmr"
grep -q '/usr/bin/kvtmr-console$' <<<"$contents" || inst_fail "the package lacks usr/bin/kvtmr-console"
grep -q '/usr/share/man/man1/kvtmr-console.1.gz$' <<<"$contents" ||
    inst_fail "the package lacks the console's manual page"

# 3. install, run, remove
if [ "$(id -u)" -ne 0 ] || { [ "${CI:-}" != true ] && [ "${KVTMR_PACKAGE_INSTALL:-}" != 1 ]; }; then
    say "install, run and purge skipped: they change the system; they run as root in CI (CI=true) or with KVTMR_PACKAGE_INSTALL=1"
    say "ok (lintian and control fields only)"
    exit 0
fi
if dpkg-query -W -f='${Status}' kvtmr 2>/dev/null | grep -qv 'not-installed'; then
    inst_fail "a kvtmr package is installed on this machine already; this check would remove it (dpkg --purge kvtmr first)"
fi
for tool in Xvfb xdotool pulseaudio parec sox identify; do
    command -v "$tool" >/dev/null || inst_fail "$tool is missing (scripts/install-deps.sh)"
done

e2e_init
# The names under the system's directories. Left out: logs and temporary files, and
# fontconfig's cache, which any program run as root may refresh.
snapshot() {
    find /usr /etc /opt /srv /var/lib /var/cache -xdev \
        \( -path /var/cache/fontconfig -o -path /var/lib/systemd/timers \) -prune -o -print \
        2>/dev/null | sort
}
snapshot >"$E2E_TMP/before.list"
real_home_ini="${HOME:-/root}/.config/kvtmr201.ini"
[ -e "$real_home_ini" ] && had_ini=1 || had_ini=0

purged=0
e2e_user_cleanup() {
    # A failure half way still takes the package off the machine.
    if [ "$purged" -eq 0 ]; then dpkg --purge kvtmr >/dev/null 2>&1 || true; fi
}
dpkg -i "$DEB" >"$E2E_TMP/dpkg-install.log" 2>&1 || {
    cat "$E2E_TMP/dpkg-install.log" >&2
    inst_fail "dpkg -i $(basename "$DEB") failed"
}
say "dpkg -i: installed $(dpkg-query -W -f='${Package} ${Version} ${Status}' kvtmr)"
dpkg-deb -c "$DEB" | awk '{print $6}' | sed 's|^\./|/|; s|/$||' | grep -v '^/\?$' | sort >"$E2E_TMP/deb.list"
dpkg -L kvtmr | grep -v '^/\.$' | sort >"$E2E_TMP/installed.list"
diff -u "$E2E_TMP/deb.list" "$E2E_TMP/installed.list" >&2 || inst_fail "dpkg -L differs from the package's contents"
inst_check_tree /usr "$SRC" "$APP_ID"
inst_validate /usr "$APP_ID"

inst_use_private_home
e2e_start_xvfb
e2e_start_pulse
PROGRAM=$(inst_desktop_program "/usr/share/applications/$APP_ID.desktop")
[ "$PROGRAM" = /usr/bin/kvtmr ] || inst_fail "the entry's command starts $PROGRAM, not /usr/bin/kvtmr"
wm_class=$(sed -n 's/^StartupWMClass=//p' "/usr/share/applications/$APP_ID.desktop")
has_class() { xdotool search --onlyvisible --class "^$wm_class\$" >/dev/null 2>&1; }
e2e_app_env
inst_listen package "$PROGRAM" has_class
inst_assert_plays package "$SRC/sounds/Bjyyly.wav"

dpkg --purge kvtmr >"$E2E_TMP/dpkg-purge.log" 2>&1 || {
    cat "$E2E_TMP/dpkg-purge.log" >&2
    inst_fail "dpkg --purge kvtmr failed"
}
purged=1
dpkg-query -W -f='${Status}' kvtmr 2>/dev/null | grep -qv 'not-installed' &&
    inst_fail "kvtmr is still known to dpkg after the purge"
while read -r f; do
    [ ! -e "$f" ] || [ -d "$f" ] || inst_fail "$f is still there after the purge"
done <"$E2E_TMP/installed.list"
snapshot >"$E2E_TMP/after.list"
diff -u "$E2E_TMP/before.list" "$E2E_TMP/after.list" >&2 ||
    inst_fail "the file system differs from before the install (lines above)"
[ -e "$real_home_ini" ] && has_ini=1 || has_ini=0
[ "$had_ini" = "$has_ini" ] || inst_fail "the run wrote into the real home: $real_home_ini"
say "dpkg --purge: nothing left ($(wc -l <"$E2E_TMP/before.list") names under /usr /etc /opt /srv /var/lib /var/cache, as before)"
say "ok"
