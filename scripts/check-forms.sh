#!/usr/bin/env bash
# The five Designer forms survive Qt Designer: each is opened in Debian's Qt 6 Designer (under
# a private Xvfb display) and saved unchanged, and the saved file must be byte for byte the
# file that went in. uic must then make from it the class named after the form's top widget
# (Designer names the class after that widget when it saves, so a form whose <class> says
# otherwise would rename the generated class).
#
#   scripts/check-forms.sh            check every form (exit 1 on a difference)
#   scripts/check-forms.sh --write    replace each form by Designer's own writing of it
#
# Exits 77 (skipped) when Designer, Xvfb or xdotool are not installed.
set -euo pipefail
cd "$(dirname "$0")/.."
SOURCE_DIR=$PWD
WRITE=0
[ "${1:-}" = "--write" ] && WRITE=1

DESIGNER=${DESIGNER:-/usr/lib/qt6/bin/designer}
UIC=${UIC:-/usr/lib/qt6/libexec/uic}
for tool in "$DESIGNER" "$UIC"; do
    [ -x "$tool" ] || { echo "check-forms: $tool is not installed: skipped" >&2; exit 77; }
done
for tool in Xvfb xdotool; do
    command -v "$tool" >/dev/null || { echo "check-forms: $tool is not installed: skipped" >&2; exit 77; }
done

source tests/e2e/lib.sh
e2e_start_xvfb

FORMS=(src/app/CCUnit.ui src/clock/wnlp.ui src/presentation/HelpUnit.ui
       src/presentation/AboutUnit.ui src/presentation/Unit4.ui)
failed=0

# Saves one form with Designer: opens it, waits for its window, presses Ctrl+S and waits until
# the file has been written again.
designer_save() {
    local file="$1" home="$E2E_TMP/home" pid w i
    mkdir -p "$home"
    touch -d "2000-01-01 00:00:00" "$file"
    HOME="$home" XDG_CONFIG_HOME="$home/.config" "$DESIGNER" "$file" >"$E2E_TMP/designer.log" 2>&1 &
    pid=$!
    w=""
    for ((i = 0; i < 300; i++)); do
        w=$(xdotool search --onlyvisible --name "Qt Designer" 2>/dev/null | head -1 || true)
        [ -z "$w" ] || break
        sleep 0.1
    done
    if [ -z "$w" ]; then
        kill "$pid" 2>/dev/null || true
        cat "$E2E_TMP/designer.log" >&2
        e2e_fail "Designer did not open $file"
        return 1
    fi
    sleep 1  # the form is laid out after the window appears
    for ((i = 0; i < 100; i++)); do
        if [ "$(stat -c %Y "$file")" -gt 946684800 ]; then break; fi
        xdotool windowfocus "$w" 2>/dev/null || true
        xdotool key ctrl+s
        sleep 0.3
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
    [ "$(stat -c %Y "$file")" -gt 946684800 ] || { e2e_fail "Designer did not save $file"; return 1; }
}

for form in "${FORMS[@]}"; do
    copy="$E2E_TMP/$(basename "$form")"
    cp "$form" "$copy"
    designer_save "$copy" || { failed=1; continue; }
    if ! cmp -s "$form" "$copy"; then
        if [ "$WRITE" -eq 1 ]; then
            cp "$copy" "$form"
            echo "check-forms: $form rewritten as Designer writes it"
        else
            echo "check-forms: FAIL: $form changes when Designer saves it unchanged:" >&2
            diff -u "$form" "$copy" | head -40 >&2 || true
            failed=1
        fi
    fi
    # The class uic makes is the one the code derives from: Ui::<top widget's name>.
    top=$(sed -n 's/.*<widget class="[A-Za-z]*" name="\([A-Za-z0-9_]*\)">.*/\1/p' "$form" | head -1)
    class=$(sed -n 's/.*<class>\(.*\)<\/class>.*/\1/p' "$form" | head -1)
    if [ "$class" != "$top" ]; then
        echo "check-forms: FAIL: $form: <class> $class is not its top widget's name $top" >&2
        failed=1
    fi
    "$UIC" "$form" -o "$E2E_TMP/ui.h" || { echo "check-forms: FAIL: uic refused $form" >&2; failed=1; continue; }
    grep -q "class Ui_$top" "$E2E_TMP/ui.h" || {
        echo "check-forms: FAIL: uic did not make Ui_$top from $form" >&2
        failed=1
    }
done

[ "$failed" -eq 0 ] || exit 1
echo "check-forms: the ${#FORMS[@]} forms survive Designer unchanged"
