#!/usr/bin/env bash
# The real program under Xvfb: the maximised main window with its menu, tool bar, black
# display and status line; a second start leaves exactly one window and ends with 0.
# Usage: e2e_main_window.sh path/to/kvtmr source-dir
set -euo pipefail
E2E_BIN=$(realpath "$1")
source "$(dirname "$0")/lib.sh"
source "$(dirname "$0")/app.sh"
e2e_start_xvfb
e2e_app_config
e2e_app_start
sleep 1.5

[ "$(e2e_app_windows)" -eq 1 ] || e2e_fail "expected one main window, found $(e2e_app_windows)"
geometry=$(xdotool search --onlyvisible --name "澄屿计时器" getwindowgeometry)
echo "$geometry" | grep -q "Geometry: 1024x768" || e2e_fail "the window does not fill the screen: $geometry"

# A second start while the first runs: no window, exit code 0, the first undisturbed.
second_status=0
(cd "$E2E_TMP/work" && timeout 30 "$E2E_BIN" >"$E2E_TMP/second.log" 2>&1) || second_status=$?
[ "$second_status" -eq 0 ] || e2e_fail "the second start ended with $second_status"
[ "$(e2e_app_windows)" -eq 1 ] || e2e_fail "a second window appeared"
kill -0 "$E2E_APP_PID" || e2e_fail "the first copy is gone"

# The picture: a black display below the bars, the menu and tool bar drawn above it.
import -window root "$E2E_TMP/shot.png"
pixel() { convert "$E2E_TMP/shot.png" -format "%[pixel:p{$1,$2}]" info:; }
case "$(pixel 20 400)" in srgb\(0,0,0\) | black) ;; *) e2e_fail "display area not black: $(pixel 20 400)" ;; esac
colours=$(convert "$E2E_TMP/shot.png" -crop 1024x56+0+0 +repage -unique-colors -format "%k" info:)
[ "$colours" -gt 8 ] || e2e_fail "the menu and tool bar look empty ($colours colours)"
echo "e2e_main_window: ok"
