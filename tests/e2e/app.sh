# shellcheck shell=bash
# Helpers for running the real program in the end-to-end scripts (after lib.sh).
#   e2e_app_config            a fresh settings file with the factory settings in
#                             $XDG_CONFIG_HOME (made by a first start of the program itself)
#   e2e_set_line N VALUE      one line of that file
#   e2e_app_start [WRAPPER..] starts the program on $DISPLAY, waits for its window
#   e2e_app_windows           how many visible main windows there are

E2E_APP_PID=""

e2e_app_env() {
    export XDG_CONFIG_HOME="$E2E_TMP/config" XDG_RUNTIME_DIR="$E2E_TMP/runtime"
    mkdir -p "$XDG_CONFIG_HOME" "$XDG_RUNTIME_DIR" "$E2E_TMP/work"
    chmod 700 "$XDG_RUNTIME_DIR"
    E2E_INI="$XDG_CONFIG_HOME/kvtmr201.ini"
}

e2e_app_config() {
    e2e_app_env
    rm -f "$E2E_INI"
    (cd "$E2E_TMP/work" && QT_QPA_PLATFORM=offscreen PULSE_SERVER=unix:/nonexistent \
        exec "$E2E_BIN" >"$E2E_TMP/first-start.log" 2>&1) &
    local pid=$!
    e2e_wait_for "the first start to write the settings" 30 test -s "$E2E_INI" || return 1
    kill -TERM "$pid"
    wait "$pid" || e2e_fail "the first start did not end cleanly"
    [ "$(grep -c $'\r$' "$E2E_INI")" -eq 139 ] || e2e_fail "the first start did not write 139 lines"
}

e2e_set_line() {
    sed -i "$1s/.*/$2\r/" "$E2E_INI"
}

e2e_app_windows() {
    xdotool search --onlyvisible --name "澄屿计时器" 2>/dev/null | wc -l
}

e2e_app_has_window() {
    [ "$(e2e_app_windows)" -ge 1 ]
}

e2e_app_start() {
    (cd "$E2E_TMP/work" && exec "$@" "$E2E_BIN" >"$E2E_TMP/app.log" 2>&1) &
    E2E_APP_PID=$!
    E2E_PIDS+=("$E2E_APP_PID")
    e2e_wait_for "the main window" 30 e2e_app_has_window || {
        cat "$E2E_TMP/app.log" >&2
        return 1
    }
}
