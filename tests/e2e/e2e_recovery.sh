#!/usr/bin/env bash
# A count that survives a crash, at the real window: 0 0 0 0 3 0 typed, Alt+T, the program
# killed with SIGKILL a few seconds later and started again, the recovery question answered
# with OK; the time-up then comes 31 s after the start, as it would have without the crash.
# Then the same with a power cut: killed, and started again with the clock moved on by 20 s
# (libfaketime), the time-up again 31 s after the start on the clock the program reads.
# The session log, read afterwards, tells the start, the recovery and the time-up.
# Usage: e2e_recovery.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
HERE=$(dirname "$0")
source "$HERE/lib.sh"
source "$HERE/app.sh"
command -v faketime >/dev/null || {
    echo "e2e_recovery: faketime is not installed (apt-get install faketime); skipped"
    exit 77
}
e2e_start_xvfb
e2e_app_config
export XDG_DATA_HOME="$E2E_TMP/data"
LOG_DIR="$XDG_DATA_HOME/kvtmr"
e2e_set_line 6 0   # no interval chime
e2e_set_line 12 0  # no background music
e2e_set_line 111 0 # no schedule
e2e_set_line 118 1 # usage mode 计时
e2e_set_line 119 0

question_box() { xdotool search --onlyvisible --name "^提示信息$" >/dev/null 2>&1; }
log_has() { cat "$LOG_DIR"/kvtmr-*.log 2>/dev/null | grep -q "$1"; }
# The time of day, in seconds, of the last log line that holds the text.
log_time() {
    cat "$LOG_DIR"/kvtmr-*.log | grep "$1" | tail -n1 | awk '{ split($2, t, ":"); print t[1] * 3600 + t[2] * 60 + t[3] }'
}

# run_case NAME WRAPPER...: a count of 30 s, killed 4 s in, started again under the wrapper.
run_case() {
    local name="$1"
    shift
    rm -rf "$LOG_DIR"
    e2e_app_start
    sleep 1
    # The first digit box of the main display (see e2e_exam_timer.sh).
    xdotool mousemove 206 518 click 1
    sleep 0.3
    xdotool type --delay 100 000030
    sleep 0.3
    xdotool key alt+t
    e2e_wait_for "the start in the session log" 10 log_has "正式计时开始 倒计时 00∶00∶30" ||
        return 1
    sleep 4
    kill -KILL "$E2E_APP_PID"
    wait "$E2E_APP_PID" 2>/dev/null || true
    [ -s "$XDG_CONFIG_HOME/kvtmr-state.ini" ] || e2e_fail "$name: no count state was kept"

    e2e_app_start "$@"
    e2e_wait_for "$name: the recovery question" 20 question_box || return 1
    xdotool search --onlyvisible --name "^提示信息$" windowactivate --sync 2>/dev/null || true
    xdotool key Return
    e2e_wait_for "$name: the recovery in the session log" 10 log_has "恢复正式计时" || return 1
    e2e_wait_for "$name: the time-up" 60 log_has "正式计时到点" || return 1
    local start up resumed
    start=$(log_time "正式计时开始")
    up=$(log_time "正式计时到点")
    resumed=$(cat "$LOG_DIR"/kvtmr-*.log | grep "恢复正式计时" | tail -n1)
    e2e_log "$name: $resumed; time-up $((up - start)) s after the start"
    [ $((up - start)) -ge 30 ] && [ $((up - start)) -le 32 ] ||
        e2e_fail "$name: the time-up came $((up - start)) s after the start, not 31 s"
    [ ! -e "$XDG_CONFIG_HOME/kvtmr-state.ini" ] || e2e_fail "$name: the state outlived the time-up"
    e2e_stop_pid "$E2E_APP_PID"
}

run_case "SIGKILL"
# The clock moves on by 20 s while the machine is off: 30 - 4 - 20 = about 6 s remain.
run_case "power cut" env FAKETIME="+20s" FAKETIME_DONT_FAKE_MONOTONIC=1 \
    LD_PRELOAD=/usr/lib/x86_64-linux-gnu/faketime/libfaketime.so.1
grep -q "恢复正式计时 00∶00∶0" "$LOG_DIR"/kvtmr-*.log ||
    e2e_fail "the power cut's recovery did not count the 20 s away"
cat "$LOG_DIR"/kvtmr-*.log >&2
echo "e2e_recovery: ok"
