#!/bin/bash
# Runs tabrixtest in a real window on a virtual X display and works it with
# xdotool, as an operator would, on a scratch copy of the demo.
#
#   window_test.sh keys PROGRAM DEMO EXPECTED-LOG OUTDIR
#     PROGRAM runs on the stand-in library, which logs every call; after a
#     round of keys and buttons the log must equal EXPECTED-LOG.
#   window_test.sh save PROGRAM DEMO EXPECTED-DATA OUTDIR
#     PROGRAM runs on libtabrix: the operator opens the feed axis, types a
#     value, takes it with Enter and presses "Uložit"; the window must close
#     and AXIS.TXT must equal EXPECTED-DATA byte for byte.
#   window_test.sh close PROGRAM DEMO EXPECTED-DATA OUTDIR CLOSER
#     As save, but the operator closes the window instead (CLOSER sends the
#     window manager's close request) and answers the save question with
#     Enter, its default, Save.
#
# OUTDIR keeps the scratch demo, the logs and tabrixtest.png, a screenshot
# of the window (and question.png, one of the save question).
set -euo pipefail
mode=$1 program=$2 demo=$3 expected=$4 out=$5 closer=${6:-}

fail() { echo "FAIL: $*" >&2; exit 1; }

rm -rf "$out"
mkdir -p "$out"
cp -r "$demo" "$out/demo"

xvfb="" app=""
cleanup() {
    [ -n "$app" ] && kill "$app" 2>/dev/null || true
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null || true
}
trap cleanup EXIT

# A display of our own: Xvfb picks a free number and reports it.
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$out/display" 2>"$out/xvfb.log" &
xvfb=$!
for _ in $(seq 100); do [ -s "$out/display" ] && break; sleep 0.1; done
[ -s "$out/display" ] || fail "Xvfb did not start: $(cat "$out/xvfb.log")"
export DISPLAY=":$(head -n 1 "$out/display")"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

export TABRIX_FAKE_LOG="$out/calls.log"
"$program" --lang en "$out/demo/TABMENU.SCT" >"$out/tabrixtest.log" 2>&1 &
app=$!
wid=$(timeout 20 xdotool search --sync --onlyvisible --name '^TabrixTest$' | head -n 1) ||
    fail "no window"
xdotool windowfocus --sync "$wid"
# The session starts once the window is up (the stand-in logs it).
if [ "$mode" = keys ]; then
    for _ in $(seq 100); do grep -qs TabrixPAINT "$out/calls.log" && break; sleep 0.1; done
else
    sleep 1
fi

key() { xdotool key --delay 100 "$@"; }
typed() { xdotool type --delay 100 "$1"; }
# Clicks the middle of a button given in dialog units (x, y, width, height),
# turned into pixels as the window lays them out.
click() {
    local x=$(( ($1 * 6 + 2) / 4 + ($3 * 6 + 2) / 8 ))
    local y=$(( ($2 * 13 + 4) / 8 + ($4 * 13 + 4) / 16 ))
    xdotool mousemove --window "$wid" "$x" "$y" click 1
    sleep 0.3
}
SAVE="95 315 60 29" SMALL="530 350 20 14"

waitexit() {
    for _ in $(seq 100); do kill -0 "$app" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$app" 2>/dev/null && fail "the window stayed open after saving"
    local status=0
    wait "$app" || status=$?
    app=""
    [ "$status" -eq 0 ] || fail "tabrixtest ended with status $status: $(cat "$out/tabrixtest.log")"
}

# Opens the feed axis from the menu and types a value over the rapid feed,
# which has the focus.
edit_axis() {
    key Return
    sleep 0.5
    typed "6250.55"
    key BackSpace Return
    sleep 0.5
    import -window "$wid" "$out/tabrixtest.png"
}

expect_axis() {
    cmp "$expected" "$out/demo/AXIS.TXT" || {
        diff <(cat -A "$expected") <(cat -A "$out/demo/AXIS.TXT") >&2 || true
        fail "AXIS.TXT differs from $expected"
    }
}

case $mode in
keys)
    key Return
    typed "6250.55"
    key BackSpace Delete
    key minus equal plus slash question period comma
    key KP_Enter KP_Subtract KP_Decimal KP_Add KP_Divide KP_Multiply
    key Num_Lock KP_7 KP_0 Num_Lock
    key F1 Shift_L Control_L Alt_L Escape Tab
    key Up Down Left Right F4 F5
    typed "a Z"
    click $SMALL
    import -window "$wid" "$out/tabrixtest.png"
    key ctrl+s
    waitexit
    diff -u "$expected" "$out/calls.log" || fail "the session got other calls"
    ;;
save)
    edit_axis
    click $SAVE
    waitexit
    expect_axis
    ;;
close)
    edit_axis
    "$closer" "$wid"
    box=$(timeout 20 xdotool search --sync --onlyvisible --name '^Unsaved changes$' | head -n 1) ||
        fail "no save question after the close request"
    kill -0 "$app" 2>/dev/null || fail "the window closed without asking"
    xdotool windowfocus --sync "$box"
    import -window "$box" "$out/question.png"
    key Return
    waitexit
    expect_axis
    ;;
*)
    fail "unknown mode $mode"
    ;;
esac
echo "window test '$mode' passed; screenshot $out/tabrixtest.png"
