# shellcheck shell=bash
# Checks on an installed kvtmr (after tests/e2e/lib.sh and app.sh), shared by the install
# test (a temporary prefix) and the package check (/usr):
#   inst_check_tree PREFIX SOURCE_DIR APP_ID   every installed file is there and well formed
#   inst_validate PREFIX APP_ID                desktop-file-validate and appstreamcli validate
#   inst_console_entry PREFIX                  the console's desktop entry
#   inst_desktop_program DESKTOP_FILE          the program the entry's Exec line starts, found
#                                              through PATH as a desktop does
#   inst_listen NAME BIN [CHECK...]            starts BIN from a working directory of its own
#                                              on the factory settings (no interval chime, no
#                                              schedule), waits for its window (then runs
#                                              CHECK, which must succeed), records what it
#                                              plays, ends it with SIGTERM: $E2E_TMP/NAME.wav
#   inst_assert_plays NAME REFERENCE           the recording holds the REFERENCE sound
#   inst_assert_quiet NAME                     the recording is silent
#   inst_use_private_home                      HOME and the XDG directories under $E2E_TMP

INST_SOUNDS=(Zbksly.wav Ksksly.wav Zdjgly.wav Zbjjly.wav Ksjsly.wav Bjyyly.wav)
INST_ICON_SIZES=(16 22 24 32 48 64 128 256 512)
INST_HERE="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"

inst_fail() {
    printf 'install: FAIL: %s\n' "$*" >&2
    exit 1
}
inst_log() { printf 'install: %s\n' "$*" >&2; }

inst_use_private_home() {
    export HOME="$E2E_TMP/home" XDG_CONFIG_HOME="$E2E_TMP/config"
    export XDG_DATA_HOME="$E2E_TMP/home/.local/share" XDG_CACHE_HOME="$E2E_TMP/home/.cache"
    export XDG_STATE_HOME="$E2E_TMP/home/.local/state"
    mkdir -p "$HOME" "$XDG_CONFIG_HOME"
}

inst_check_tree() {
    local prefix="$1" src="$2" id="$3" f size got
    [ -x "$prefix/bin/kvtmr" ] || inst_fail "$prefix/bin/kvtmr is missing or not executable"
    for f in "${INST_SOUNDS[@]}"; do
        cmp -s "$src/sounds/$f" "$prefix/share/kvtmr/sounds/$f" ||
            inst_fail "$prefix/share/kvtmr/sounds/$f is missing or differs from sounds/$f"
    done
    for f in kvtmr.conf kvtmr.acl 考点联网指南.md; do
        cmp -s "$src/packaging/site/$f" "$prefix/share/kvtmr/site/$f" ||
            inst_fail "$prefix/share/kvtmr/site/$f is missing or differs from packaging/site/$f"
    done
    [ -f "$prefix/share/applications/$id.desktop" ] || inst_fail "no desktop entry $id.desktop"
    [ -f "$prefix/share/metainfo/$id.metainfo.xml" ] || inst_fail "no AppStream file $id.metainfo.xml"
    grep -q '<svg' "$prefix/share/icons/hicolor/scalable/apps/$id.svg" 2>/dev/null ||
        inst_fail "no scalable icon $id.svg"
    for size in "${INST_ICON_SIZES[@]}"; do
        f="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
        [ -f "$f" ] || inst_fail "no ${size}x${size} icon"
        got="$(identify -format '%wx%h %A' "$f")" || inst_fail "$f is not an image"
        [ "$got" = "${size}x${size} Blend" ] || [ "$got" = "${size}x${size} True" ] ||
            inst_fail "$f is '$got', expected ${size}x${size} with transparency"
    done
    # The entry's icon name is the installed icon's.
    grep -qx "Icon=$id" "$prefix/share/applications/$id.desktop" ||
        inst_fail "the desktop entry does not name the icon $id"
    # The manual pages: compressed, and man renders them without a warning.
    local warnings page program name
    for program in kvtmr:澄屿计时器 kvtmr-console:澄屿考务台; do
        name=${program#*:}
        program=${program%%:*}
        f="$prefix/share/man/man1/$program.1.gz"
        gzip -t "$f" 2>/dev/null || inst_fail "no compressed manual page at $f"
        warnings="$(LC_ALL=C.UTF-8 MANROFFSEQ='' MANWIDTH=80 man --warnings -E UTF-8 -l -Tutf8 -Z "$f" 2>&1 >/dev/null)"
        [ -z "$warnings" ] || inst_fail "the manual page of $program has warnings: $warnings"
        page="$(LC_ALL=C.UTF-8 MANWIDTH=80 man -l "$f" 2>/dev/null)"
        grep -q '^NAME' <<<"$page" && grep -Eq "$program +- +$name" <<<"$page" ||
            inst_fail "the manual page has no NAME line for $program"
    done
    # The exam office's console: its program and its desktop entry, with the same icon.
    [ -x "$prefix/bin/kvtmr-console" ] || inst_fail "$prefix/bin/kvtmr-console is missing or not executable"
    f="$(inst_console_entry "$prefix")"
    grep -qx "Icon=$id" "$f" || inst_fail "the console's desktop entry does not name the icon $id"
    [ -s "$prefix/share/doc/kvtmr/copyright" ] || inst_fail "no copyright file"
    gzip -t "$prefix/share/doc/kvtmr/changelog.gz" 2>/dev/null || inst_fail "no changelog.gz"
    inst_log "installed files complete under $prefix"
}

inst_validate() {
    local prefix="$1" id="$2" desktop out
    desktop="$prefix/share/applications/$id.desktop"
    command -v desktop-file-validate >/dev/null || inst_fail "desktop-file-validate is missing (apt-get install desktop-file-utils)"
    command -v appstreamcli >/dev/null || inst_fail "appstreamcli is missing (apt-get install appstream)"
    # Errors and warnings fail; the one hint it gives is about Utility and Education both
    # being main categories, which the entry means (a tool for exams and a clock).
    for desktop in "$desktop" "$(inst_console_entry "$prefix")"; do
        out="$(desktop-file-validate "$desktop" 2>&1)" || inst_fail "desktop-file-validate: $out"
        [ -z "$out" ] || inst_log "desktop-file-validate: $out"
    done
    desktop="$prefix/share/applications/$id.desktop"
    out="$(appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" 2>&1)" ||
        inst_fail "appstreamcli validate: $out"
    inst_log "appstreamcli validate: $(tail -n1 <<<"$out")"
    # The metadata's screenshots are the README's, and it launches this desktop entry.
    grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" \
        "$prefix/share/metainfo/$id.metainfo.xml" || inst_fail "the metadata does not launch $id.desktop"
    local shot listed=0
    for shot in $(sed -n 's|.*<image[^>]*>[^<]*/\([^/<]*\.png\)</image>.*|\1|p' "$prefix/share/metainfo/$id.metainfo.xml"); do
        grep -q "docs/screenshots/$shot" "$INST_HERE/../../README.md" ||
            inst_fail "the metadata shows $shot, which the README does not"
        listed=$((listed + 1))
    done
    [ "$listed" -eq "$(grep -o 'docs/screenshots/[a-z]*\.png' "$INST_HERE/../../README.md" | sort -u | wc -l)" ] ||
        inst_fail "the metadata lists $listed screenshots, not the README's"
}

# The desktop entry that starts the console.
inst_console_entry() {
    local f
    f="$(grep -lx 'Exec=kvtmr-console' "$1"/share/applications/*.desktop 2>/dev/null | head -n1)"
    [ -n "$f" ] || inst_fail "no desktop entry starts kvtmr-console"
    printf '%s\n' "$f"
}

inst_desktop_program() {
    local desktop="$1" exec words program
    exec="$(sed -n 's/^Exec=//p' "$desktop" | head -n1)"
    [ -n "$exec" ] || inst_fail "$desktop has no Exec line"
    read -r -a words <<<"$exec"
    [ "${#words[@]}" -eq 1 ] || inst_fail "Exec=$exec: the program takes no arguments"
    program="$(command -v "${words[0]}")" || inst_fail "Exec=$exec is not found through PATH=$PATH"
    printf '%s\n' "$program"
}

inst_listen() {
    local name="$1"
    E2E_BIN="$2"
    shift 2
    e2e_app_config
    e2e_set_line 6 0   # no interval chime
    e2e_set_line 111 0 # no schedule
    e2e_record_start "$E2E_TMP/$name.wav"
    e2e_app_start
    if [ $# -gt 0 ]; then "$@" || inst_fail "$name: $* failed"; fi
    # The background music starts with the window; five seconds hold three of it.
    sleep 5
    e2e_record_stop
    kill -TERM "$E2E_APP_PID"
    e2e_wait_for "the program to end on SIGTERM" 15 bash -c "! kill -0 $E2E_APP_PID" || return 1
    local status=0
    wait "$E2E_APP_PID" || status=$?
    [ "$status" -eq 0 ] || inst_fail "$name: the program ended with status $status on SIGTERM"
}

inst_assert_plays() {
    local name="$1" reference="$2" out
    out="$("$INST_HERE/same_sound.py" "$E2E_TMP/$name.wav" "$reference")" ||
        inst_fail "$name: the recording is not $(basename "$reference") (envelope correlation $out)"
    inst_log "$name: heard $(basename "$reference") (envelope correlation $out)"
}

inst_assert_quiet() {
    assert_silent "$E2E_TMP/$1.wav" || inst_fail "$1: something was played"
}
