#!/usr/bin/env bash
# `cmake --install` into a temporary prefix, and the installed program as a user starts it:
# from its desktop entry's command, in a working directory of its own, with a home of its
# own. Each row starts it afresh under Xvfb with a PulseAudio null sink and records it.
#   installed       its window appears, with the window class the entry names, and the
#                   background melody from <prefix>/share/kvtmr/sounds is heard
#   working dir     a Bjyyly.wav in the working directory is played instead (it comes first)
#   no sounds       with <prefix>/share/kvtmr/sounds gone it is silent: an installed program
#                   never falls back to the build machine's source tree
# Usage: install_prefix.sh BUILD_DIR SOURCE_DIR APP_ID
set -euo pipefail
BUILD=$(realpath "$1")
SRC=$(realpath "$2")
APP_ID="$3"
HERE=$(cd "$(dirname "$0")" && pwd)
source "$SRC/tests/e2e/lib.sh"
source "$SRC/tests/e2e/app.sh"
source "$HERE/installed.sh"

for tool in Xvfb xdotool pulseaudio parec sox identify; do
    command -v "$tool" >/dev/null || {
        echo "install_prefix: $tool is missing; skipped" >&2
        exit 77
    }
done

e2e_init
PREFIX="$E2E_TMP/prefix"
case "$PREFIX/" in "$BUILD"/*) inst_fail "the temporary prefix must lie outside the build tree" ;; esac
cmake --install "$BUILD" --prefix "$PREFIX" >"$E2E_TMP/install.log" || {
    cat "$E2E_TMP/install.log" >&2
    inst_fail "cmake --install failed"
}
inst_check_tree "$PREFIX" "$SRC" "$APP_ID"
inst_validate "$PREFIX" "$APP_ID"

DESKTOP="$PREFIX/share/applications/$APP_ID.desktop"
PROGRAM=$(PATH="$PREFIX/bin:$PATH" inst_desktop_program "$DESKTOP")
[ "$PROGRAM" = "$PREFIX/bin/kvtmr" ] || inst_fail "the entry's command starts $PROGRAM, not the installed program"

inst_use_private_home
e2e_start_xvfb
e2e_start_pulse

# installed
wm_class=$(sed -n 's/^StartupWMClass=//p' "$DESKTOP")
has_class() { xdotool search --onlyvisible --class "^$wm_class\$" >/dev/null 2>&1; }
e2e_app_env
[ -z "$(ls -A "$E2E_TMP/work")" ] || inst_fail "the working directory is not empty"
inst_listen installed "$PROGRAM" has_class
inst_assert_plays installed "$SRC/sounds/Bjyyly.wav"

# working dir
cp "$SRC/sounds/Zbjjly.wav" "$E2E_TMP/work/Bjyyly.wav"
inst_listen workdir "$PROGRAM"
rm "$E2E_TMP/work/Bjyyly.wav"
inst_assert_plays workdir "$SRC/sounds/Zbjjly.wav"

# no sounds
rm -r "$PREFIX/share/kvtmr/sounds"
inst_listen nosounds "$PROGRAM"
inst_assert_quiet nosounds

echo "install_prefix: ok"
