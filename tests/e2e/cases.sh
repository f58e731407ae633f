#!/usr/bin/env bash
# End-to-end cases of the real program under Xvfb with openbox.
# Usage: cases.sh CASE LINTEL_BINARY SOURCE_DIR
# Each case has its own display, home, system folder and program folder, so its own
# lintel.ini and its own instance guard.
CASE=$1
LINTEL=$2
SOURCE_DIR=$3
SET_ROOT_PICTURE=${4:-}
MAXIMISE=${5:-}
CLAIM_COMPOSITOR=${6:-}
source "$(dirname "$0")/lib.sh"

IMPORT_MARK='[CAFE]'
write_cdplayer() {
    printf '[Config]\r\nDrive=V:\r\n\r\n[CAFE]\r\nEntryType=1\r\ntitle=Imported\r\n' \
        >"$SYS/cdplayer.ini"
}

# First start with cdplayer.ini: the file is copied, then the message shows, before the
# bar; the second start shows nothing. With no lintel.ini beside the program, the copy
# and the settings are in the system folder.
case_first_start_import() {
    write_cdplayer
    e2e_launch
    wait_box
    [[ $(count "$(boxes_of "$BAR_PID")") == 1 ]] || fail "more than one box"
    [[ -z "$(bar_of "$BAR_PID")" ]] || fail "the bar showed before the message was answered"
    cmp -s "$SYS/cdplayer.ini" "$SYS/lintel.ini" || fail "lintel.ini is not a copy of cdplayer.ini"
    answer_box
    wait_bar
    [[ $(count "$(boxes_of "$BAR_PID")") == 0 ]] || fail "a further box showed"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    grep -qF "$IMPORT_MARK" "$SYS/lintel.ini" || fail "the imported titles were lost"
    grep -q $'^Position=1\r$' "$SYS/lintel.ini" || fail "the settings were not written back"
    [[ ! -e "$PROG/lintel.ini" ]] || fail "lintel.ini was written beside the program"

    e2e_launch
    wait_bar
    [[ $(count "$(boxes_of "$BAR_PID")") == 0 ]] || fail "the second start showed a message"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
}

# An existing lintel.ini, even an empty one, is never replaced by the import.
case_existing_ini_kept() {
    write_cdplayer
    : >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    [[ $(count "$(boxes_of "$BAR_PID")") == 0 ]] || fail "the import message showed"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    ! grep -qF "$IMPORT_MARK" "$PROG/lintel.ini" || fail "lintel.ini was overwritten by the import"
}

# A second copy under the same file name ends at once with status 0 and shows nothing.
case_second_copy() {
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    local first=$BAR_PID
    local before
    before=$(md5sum <"$PROG/lintel.ini")
    e2e_launch
    local second=$BAR_PID
    wait_for '! running "$second"' 100 || fail "the second copy kept running"
    local status=0
    wait "$second" || status=$?
    [[ $status == 0 ]] || fail "the second copy ended with status $status"
    [[ $(count "$(xdotool search --onlyvisible --name '^Lintel$' 2>/dev/null || true)") == 1 ]] ||
        fail "more than one Lintel window"
    [[ $(md5sum <"$PROG/lintel.ini") == "$before" ]] || fail "the second copy wrote lintel.ini"
    BAR_PID=$first
    [[ -n "$(bar_of "$BAR_PID")" ]] || fail "the first bar went away"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
}

# The temporary file of a write-back killed half-way is gone after the next start; a file
# that only looks like one stays.
case_leftovers_removed() {
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    printf '[Config]\r\nDri' >"$PROG/lintel.ini.tmp-Ab12Cd"
    printf 'mine' >"$PROG/lintel.ini.backup"
    e2e_launch
    wait_bar
    [[ ! -e "$PROG/lintel.ini.tmp-Ab12Cd" ]] || fail "the leftover temporary file is still there"
    [[ $(cat "$PROG/lintel.ini.backup") == mine ]] || fail "the user's lintel.ini.backup went"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    grep -q $'^Drive=V:\r$' "$PROG/lintel.ini" || fail "lintel.ini lost its settings"
}

# Each ending signal of a session writes lintel.ini back through the Exit path.
case_signals_write_back() {
    local sig
    for sig in TERM INT HUP; do
        printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
        e2e_launch
        wait_bar
        end_with "$sig"
        [[ $STATUS == 0 ]] || fail "exit status $STATUS after SIG$sig"
        grep -q $'^Position=1\r$' "$PROG/lintel.ini" || fail "no dock edge written after SIG$sig"
        grep -q $'^numtracks=12\r$' "$PROG/lintel.ini" ||
            fail "no title record written after SIG$sig"
    done
}

# A device that cannot be opened: one message, then the bar, and no more messages from
# the ticks that follow.
case_device_unavailable() {
    printf '[Config]\r\nDrive=Q:\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_box
    [[ $(count "$(boxes_of "$BAR_PID")") == 1 ]] || fail "more than one box"
    answer_box
    wait_bar
    sleep 2.2  # two poll ticks
    [[ $(count "$(boxes_of "$BAR_PID")") == 0 ]] || fail "the message showed again"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    grep -q $'^Position=1\r$' "$PROG/lintel.ini" || fail "lintel.ini was not written back"
}

# A signal while a message box is open closes the box and then the bar, writing the file.
case_signal_during_message() {
    printf '[Config]\r\nDrive=Q:\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_box
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    grep -q $'^Position=1\r$' "$PROG/lintel.ini" || fail "lintel.ini was not written back"
}

# The bar docks at the bottom edge by default and at the top with Position=0, and stays
# out of the task bar and the pager.
case_edge_and_taskbar() {
    local y expected
    for position in 1 0; do
        printf '[Config]\r\nDrive=V:\r\nPosition=%s\r\n' "$position" >"$PROG/lintel.ini"
        e2e_launch
        wait_bar
        local bar
        bar=$(bar_of "$BAR_PID")
        y=$(xdotool getwindowgeometry --shell "$bar" | sed -n 's/^Y=//p')
        local thickness
        thickness=$(size_of "$bar")
        thickness=${thickness#*x}
        expected=$([[ $position == 1 ]] && echo $((600 - thickness)) || echo 0)
        [[ $y == "$expected" ]] || fail "Position=$position put the bar at y=$y, not $expected"
        xprop -id "$bar" _NET_WM_STATE | grep -q _NET_WM_STATE_SKIP_TASKBAR ||
            fail "the bar asks for a task bar entry"
        end_with TERM
        [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    done
}

# The colour "#RRGGBB" of the screen's pixel at $1,$2.
screen_pixel() {
    local shot="$E2E_SCRATCH/screen.png"
    import -window root "$shot" 2>/dev/null || fail "no screenshot"
    convert "$shot" -crop "1x1+$1+$2" -depth 8 txt:- | grep -o '#[0-9A-Fa-f]\{6\}' | head -n1 |
        tr a-f A-F
}

# Top left corner of the bar of $BAR_PID on the screen, in BAR_X and BAR_Y.
bar_corner() {
    local WIDTH HEIGHT X Y SCREEN WINDOW
    eval "$(xdotool getwindowgeometry --shell "$(bar_of "$BAR_PID")")"
    BAR_X=$X
    BAR_Y=$Y
}

# Background mode 0 shows the desktop's picture at the bar's own place: each pixel of the
# picture encodes its place (red = x mod 256, green = y mod 256, blue 0x80).
case_background_desktop() {
    "$SET_ROOT_PICTURE" || fail "could not set the root picture"
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    QT_SCALE_FACTOR=${1:-1} e2e_launch
    wait_bar
    sleep 1
    bar_corner
    local x y expected got
    for point in "1 1" "300 2" "2 20"; do
        read -r x y <<<"$point"
        x=$((BAR_X + x))
        y=$((BAR_Y + y))
        expected=$(printf '#%02X%02X80' $((x % 256)) $((y % 256)))
        got=$(screen_pixel "$x" "$y")
        [[ $got == "$expected" ]] ||
            fail "the bar shows $got at $x,$y where the desktop picture has $expected"
    done
    end_with TERM
}

# The same with the bar drawn at twice the size: the picture is read in the screen's own
# pixels, not the bar's.
case_background_desktop_scaled() {
    case_background_desktop 2
}

# With a compositing manager the bar leaves its background to it: the window is
# translucent and paints no picture of its own. Xvfb composites nothing, so the empty
# translucent pixels show as black here, where a picture would show its colours. Its own
# colour is still opaque.
case_background_compositor() {
    "$SET_ROOT_PICTURE" || fail "could not set the root picture"
    "$CLAIM_COMPOSITOR" >"$E2E_SCRATCH/cm.out" &
    E2E_PIDS+=($!)
    wait_for 'grep -q ready "$E2E_SCRATCH/cm.out"' 50 || fail "no stand-in compositor"
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    sleep 1
    bar_corner
    local got
    got=$(screen_pixel $((BAR_X + 1)) $((BAR_Y + 1)))
    [[ $got == "#000000" ]] || fail "the translucent bar painted $got itself"
    xwininfo -id "$(bar_of "$BAR_PID")" | grep -q 'Depth: 32' ||
        fail "the bar has no window with an alpha channel"
    end_with TERM
    expect_red_bar
}

# Starts the bar with [Back] "Color" 255 (0x00BBGGRR) and checks that it is pure red.
expect_red_bar() {
    printf '[Config]\r\nDrive=V:\r\n\r\n[Back]\r\nItemIndex=2\r\nColor=255\r\n' \
        >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    sleep 1
    bar_corner
    local got
    got=$(screen_pixel $((BAR_X + 1)) $((BAR_Y + 1)))
    [[ $got == "#FF0000" ]] || fail "the bar is $got, not red"
    end_with TERM
}

# A colour of its own is shown, also over a picture.
case_background_colour() {
    "$SET_ROOT_PICTURE" || fail "could not set the root picture"
    expect_red_bar
}

# The first four numbers of the root's _NET_WORKAREA: "x y w h".
workarea() {
    xprop -root _NET_WORKAREA 2>/dev/null | sed -n 's/.*= //p' | tr -d ',' | cut -d' ' -f1-4
}

# Docked at the bottom the bar takes its thickness off the work area; dragged to the top
# the reserved strip goes with it; after the end the whole screen is free again.
case_appbar_workarea() {
    printf '[Config]\r\nDrive=V:\r\nPosition=1\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    local bar size h
    bar=$(bar_of "$BAR_PID")
    size=$(size_of "$bar")
    h=${size#*x}
    [[ ${size%x*} == 1024 ]] || fail "the docked bar is $size, not the screen's width"
    wait_for '[[ $(workarea) == "0 0 1024 $((600 - h))" ]]' 50 ||
        fail "work area $(workarea) does not leave out the bar's $h pixels at the bottom"

    # A drag from an empty part of the bar to the top of the screen.
    bar_corner
    xdotool mousemove $((BAR_X + 2)) $((BAR_Y + 2)) mousedown 1
    local step
    for step in 500 400 300 200 100 20 5; do
        xdotool mousemove 512 "$step"
        sleep 0.05
    done
    xdotool mouseup 1
    wait_for '[[ $(workarea) == "0 $h 1024 $((600 - h))" ]]' 50 ||
        fail "after the drag to the top the work area is $(workarea)"
    bar_corner
    [[ $BAR_Y == 0 ]] || fail "the bar stands at y=$BAR_Y after the drag to the top"

    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    wait_for '[[ $(workarea) == "0 0 1024 600" ]]' 50 ||
        fail "the strip is still reserved after the end: $(workarea)"
    grep -q $'Position=0\r' "$PROG/lintel.ini" || fail "the top edge was not stored"
}

# Heights of the visible windows of process $1 other than the bar and those in
# $MENU_BASELINE: its open menus here.
menu_heights() {
    local w
    for w in $(boxes_of "$1"); do
        grep -qx "$w" <<<"$MENU_BASELINE" && continue
        size_of "$w" | cut -dx -f2
    done
}

# Opens the bar's right-click menu and presses KEY, an item's accelerator, until a window
# whose name matches NAME (a regular expression) shows: MENU_WINDOW, or empty when none did.
# A menu not yet ready for keys gets the key again.
menu_command() {
    local key=$1 name=$2 WIDTH HEIGHT X Y SCREEN WINDOW try
    eval "$(xdotool getwindowgeometry --shell "$(bar_of "$BAR_PID")")"
    MENU_BASELINE=$(boxes_of "$BAR_PID")
    xdotool mousemove $((X + 4)) $((Y + 2)) click 3
    wait_for '[[ -n "$(menu_heights "$BAR_PID")" ]]' 50 || fail "no menu opened"
    for try in 1 2 3 4 5; do
        xdotool key "$key"
        wait_for '[[ -n "$(xdotool search --onlyvisible --name "$name" 2>/dev/null)" ]]' 10 &&
            break
    done
    MENU_WINDOW=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n1)
}

# The program's tray icon sits in a real tray (trayer); a left click opens the tray
# menu, a right click the bar's menu, which is another menu (it has other items).
case_tray_menus() {
    trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel \
        --height 32 --SetDockType true --transparent false >"$E2E_SCRATCH/trayer.log" 2>&1 &
    E2E_PIDS+=($!)
    wait_for 'xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null 2>&1 &&
              xdotool search --class trayer >/dev/null 2>&1' 100 || fail "trayer did not start"
    sleep 0.5
    printf '[Config]\r\nDrive=V:\r\nPosition=1\r\n' >"$PROG/lintel.ini"
    # Without a session bus Qt hands the icon to the tray through X11, which trayer speaks.
    DBUS_SESSION_BUS_ADDRESS= e2e_launch
    wait_bar
    # The icon's own window in the tray is one of the process's windows too.
    wait_for '[[ -n "$(boxes_of "$BAR_PID")" ]]' 100 || fail "no icon window in the tray"
    sleep 0.5
    MENU_BASELINE=$(boxes_of "$BAR_PID")
    # The middle of the icon in the tray.
    local WIDTH HEIGHT X Y SCREEN WINDOW icon_x icon_y left right
    eval "$(xdotool getwindowgeometry --shell "$(head -n1 <<<"$MENU_BASELINE")")"
    icon_x=$((X + WIDTH / 2))
    icon_y=$((Y + HEIGHT / 2))
    xdotool mousemove "$icon_x" "$icon_y" click 1
    wait_for '[[ -n "$(menu_heights "$BAR_PID")" ]]' 50 || fail "a left click opened no menu"
    left=$(menu_heights "$BAR_PID" | head -n1)
    # A click beside a pop-up menu closes it.
    xdotool mousemove 300 300 click 1
    wait_for '[[ -z "$(menu_heights "$BAR_PID")" ]]' 50 || fail "the tray menu stayed open"
    xdotool mousemove "$icon_x" "$icon_y" click 3
    wait_for '[[ -n "$(menu_heights "$BAR_PID")" ]]' 50 || fail "a right click opened no menu"
    right=$(menu_heights "$BAR_PID" | head -n1)
    [[ $left != "$right" ]] || fail "both clicks opened menus of height $left"
    xdotool mousemove 300 300 click 1
    end_with TERM
}

# A maximised window fills the screen less the bar's strip, so the bar stays in view
# below it. The picture of that desktop is left beside the test for a look.
case_maximised_window() {
    printf '[Config]\r\nDrive=V:\r\nPosition=1\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    local h
    h=$(size_of "$(bar_of "$BAR_PID")")
    h=${h#*x}
    wait_for '[[ $(workarea) == "0 0 1024 $((600 - h))" ]]' 50 || fail "no strip reserved"
    maximise_other 900
    ((OTHER_BOTTOM <= 600 - h)) ||
        fail "the maximised window reaches y=$OTHER_BOTTOM, over the bar at $((600 - h))"
    ((OTHER_BOTTOM >= 600 - h - 2)) ||
        fail "the maximised window ends at y=$OTHER_BOTTOM, well above the bar"
    bar_corner
    [[ $BAR_Y == $((600 - h)) ]] || fail "the bar moved to y=$BAR_Y"
    import -window root "$PWD/e2e-maximised.png" 2>/dev/null || true
    end_with TERM
}

# Play from the first track to the end of a short disc (three tracks of three seconds).
# A resume record starts play at the first tick. Closing during track 2 records track 2,
# so the bar followed the tracks; while it plays the bar's picture changes from tick to
# tick (the gauge and its time text); after the last track play has stopped, so closing
# then leaves no record.
case_play_to_end() {
    cp "$SOURCE_DIR/samples/short.disc" "$SYS/"
    printf '[Drives]\nV=short.disc\n' >"$SYS/drives.ini"
    local resume='[Config]\r\nDrive=V:\r\nResumption=1\r\n\r\n[Resumption]\r\ntitleID=0F00\r\n'
    resume+='NowTrack=1\r\nbUseRep=0\r\nbUsePrg=0\r\nbUseRnd=0\r\nPrgOrder=0\r\nPrgPack=\r\n'

    printf "$resume" >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    local bar
    bar=$(bar_of "$BAR_PID")
    wait_box  # the resume message, shown while the disc already plays
    local start=$EPOCHREALTIME
    sleep 1.2
    import -window "$bar" "$E2E_SCRATCH/tick1.png"
    sleep 1.1
    import -window "$bar" "$E2E_SCRATCH/tick2.png"
    cmp -s "$E2E_SCRATCH/tick1.png" "$E2E_SCRATCH/tick2.png" &&
        fail "the bar did not change from one tick to the next while playing"
    # Track 2 plays from 3 s to 6 s: close at 4.5 s, however long the pictures took.
    sleep "$(awk -v s="$start" -v n="$EPOCHREALTIME" 'BEGIN { w = s + 4.5 - n; print (w > 0 ? w : 0) }')"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    grep -q $'^titleID=0F00\r$' "$PROG/lintel.ini" || fail "no resume record at close"
    grep -q $'^NowTrack=2\r$' "$PROG/lintel.ini" || fail "the bar did not follow to track 2"

    printf "$resume" >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    sleep 11.5  # past the end of the disc
    import -window "$(bar_of "$BAR_PID")" "$E2E_SCRATCH/end1.png"
    sleep 1.1
    import -window "$(bar_of "$BAR_PID")" "$E2E_SCRATCH/end2.png"
    cmp -s "$E2E_SCRATCH/end1.png" "$E2E_SCRATCH/end2.png" ||
        fail "the bar still changes after the end of the disc"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    grep -q $'^titleID=#\r$' "$PROG/lintel.ini" || fail "play had not stopped at the end"
}

# Discs of one and two tracks under the name "Audio CD": the identity the bar files their
# titles under is the one computed from the track table, as titles copied from elsewhere
# expect.
case_short_disc_identities() {
    local disc id
    for disc in 'track 00:02:00\ntrack 03:10:05\nleadout 05:02:00\n=363E9' \
                'track 00:02:33\nleadout 40:00:10\n=2C0B5'; do
        id=${disc#*=}
        printf "${disc%=*}" >"$SYS/single.disc"
        printf '[Drives]\nV=single.disc\n' >"$SYS/drives.ini"
        printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
        e2e_launch
        wait_bar
        end_with TERM
        [[ $STATUS == 0 ]] || fail "exit status $STATUS"
        tr -d '\r' <"$PROG/lintel.ini" | grep -qx "\[$id\]" ||
            fail "no title record under $id: $(tr -d '\r' <"$PROG/lintel.ini")"
    done
}

# A right click on the operation panel opens the bar's menu; after it closes, a one-pixel
# drag of the panel's grip moves the panel by one pixel, and that place is stored.
case_panel_drag_after_menu() {
    printf '[Config]\r\nDrive=V:\r\nPosition=1\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    local WIDTH HEIGHT X Y SCREEN WINDOW panel_x panel_y
    eval "$(xdotool getwindowgeometry --shell "$(bar_of "$BAR_PID")")"
    # Without a stored place the panel (258 x 18) sits in the bar's bottom right corner.
    panel_x=$((WIDTH - 258))
    panel_y=$((HEIGHT - 18))
    MENU_BASELINE=$(boxes_of "$BAR_PID")
    xdotool mousemove $((X + panel_x + 250)) $((Y + panel_y + 5)) click 3
    wait_for '[[ -n "$(menu_heights "$BAR_PID")" ]]' 50 || fail "a right click opened no menu"
    xdotool key Escape
    wait_for '[[ -z "$(menu_heights "$BAR_PID")" ]]' 50 || fail "the menu stayed open"
    xdotool mousemove $((X + panel_x + 8)) $((Y + panel_y + 9)) mousedown 1
    sleep 0.2
    xdotool mousemove $((X + panel_x + 7)) $((Y + panel_y + 9))
    sleep 0.2
    xdotool mouseup 1
    sleep 0.2
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    local stored
    stored=$(tr -d '\r' <"$PROG/lintel.ini" | grep -E '^Op_[XY]=' | tr '\n' ' ')
    [[ $stored == "Op_X=$((panel_x - 1)) Op_Y=$panel_y " ]] ||
        fail "the panel was stored at '$stored', not at $((panel_x - 1)),$panel_y"
}

# The title editor from the bar's menu, by the keyboard: an ASCII title and a Japanese
# track name typed and stored with OK land in the disc's record as code page 932 bytes, and
# the bar shows them at once.
case_title_editor() {
    printf '[Config]\r\nDrive=V:\r\nPosition=1\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    local bar editor caption
    caption=$(printf '\xe3\x82\xbf\xe3\x82\xa4\xe3\x83\x88\xe3\x83\xab\xe7\xb7\xa8\xe9\x9b\x86')  # the editor's title
    bar=$(bar_of "$BAR_PID")
    import -window "$bar" "$E2E_SCRATCH/before.png"
    menu_command e "$caption"
    editor=$MENU_WINDOW
    [[ -n $editor ]] || fail "the title editor did not open"
    xdotool windowactivate --sync "$editor" >/dev/null 2>&1 || true
    wait_for '[[ "$(xdotool getactivewindow 2>/dev/null)" == "$editor" ]]' 30 ||
        fail "the title editor did not take the keyboard"
    sleep 0.3
    # The title, Enter to the artist, Enter to the first track's name, typed over.
    xdotool key ctrl+a type --delay 20 'Blue Sky'
    xdotool key Return Return ctrl+a BackSpace
    # xdotool types a character outside the keyboard map by remapping a key, and the first
    # such key can be lost while the server takes the new map: one throw-away character
    # (gone again with BackSpace, or never there) takes that risk.
    xdotool type --delay 100 "$(printf '\xc3\xa9')"
    sleep 0.2
    xdotool key BackSpace
    xdotool type --delay 100 "$(printf '\xe5\xa4\x9c\xe6\x98\x8e\xe3\x81\x91')"
    sleep 0.3
    # OK is no default button (Enter belongs to the edits): a click on it.
    xdotool mousemove --window "$editor" 250 236 click 1
    wait_for '[[ -z "$(xdotool search --onlyvisible --name "$caption" 2>/dev/null)" ]]' 50 ||
        fail "the editor did not close with OK"
    sleep 0.5
    import -window "$bar" "$E2E_SCRATCH/after.png"
    cmp -s "$E2E_SCRATCH/before.png" "$E2E_SCRATCH/after.png" && fail "the bar did not show the new titles"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    # 夜明け in code page 932: 96 E9 96 BE 82 AF.
    grep -q $'^title=Blue Sky\r$' "$PROG/lintel.ini" || fail "no title: $(tr -d '\r' <"$PROG/lintel.ini" | head -20)"
    grep -q $'^0=\x96\xe9\x96\xbe\x82\xaf\r$' "$PROG/lintel.ini" ||
        fail "the Japanese track name is not stored as code page 932: $(grep -a '^0=' "$PROG/lintel.ini" | od -c | head -3)"
}

# The settings dialog from the bar's menu: the bar goes to the top edge and takes a colour
# of its own, and OK stores both.
case_settings_dialog() {
    printf '[Config]\r\nDrive=V:\r\nPosition=1\r\n' >"$PROG/lintel.ini"
    e2e_sound_server
    e2e_launch
    wait_bar
    local bar dialog caption area_before WIDTH HEIGHT X Y SCREEN WINDOW
    caption=$(printf '[\xe8\xa8\xad\xe5\xae\x9a]')  # [設定]
    bar=$(bar_of "$BAR_PID")
    area_before=$(xprop -root _NET_WORKAREA)
    eval "$(xdotool getwindowgeometry --shell "$bar")"
    ((Y > 0)) || fail "the bar did not start at the bottom"
    menu_command c "$caption"
    dialog=$MENU_WINDOW
    [[ -n $dialog ]] || fail "the settings dialog did not open"
    xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
    wait_for '[[ "$(xdotool getactivewindow 2>/dev/null)" == "$dialog" ]]' 30 ||
        fail "the settings dialog did not take the keyboard"
    sleep 0.3
    # The arrangement page, its window position group, and the top edge.
    xdotool key --delay 100 ctrl+Tab ctrl+Tab ctrl+Tab ctrl+Tab alt+w Up
    # Back to the background page: "set below", then red from the colour button's palette,
    # which opens on the current colour (black, column 2 at the top): left, then down.
    above() { xprop -id "$dialog" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE; }
    above || fail "the settings dialog is not on top"
    xdotool key --delay 100 ctrl+shift+Tab alt+b Down Down alt+c space
    sleep 0.5
    # While the palette is open the dialog steps back, so the colour dialog can come above it.
    above && fail "the settings dialog stayed on top under the palette"
    xdotool key --delay 150 Left Down Return
    sleep 0.3
    wait_for above 20 || fail "the settings dialog did not go back on top"
    xdotool mousemove --window "$dialog" 111 329 click 1
    wait_for '[[ -z "$(xdotool search --onlyvisible --name "$caption" 2>/dev/null)" ]]' 50 ||
        fail "the dialog did not close with OK"
    wait_for '[[ "$(xprop -root _NET_WORKAREA)" != "$area_before" ]]' 50 ||
        fail "the work area did not change: $area_before"
    # The bar slides there.
    wait_for 'eval "$(xdotool getwindowgeometry --shell "$bar")"; ((Y == 0))' 50 ||
        fail "the bar is not at the top edge: y=$Y"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    tr -d '\r' <"$PROG/lintel.ini" >"$E2E_SCRATCH/ini"
    grep -q '^Position=0$' "$E2E_SCRATCH/ini" || fail "no top edge stored: $(cat "$E2E_SCRATCH/ini")"
    grep -q '^ItemIndex=2$' "$E2E_SCRATCH/ini" || fail "no background choice: $(cat "$E2E_SCRATCH/ini")"
    grep -q '^Color=255$' "$E2E_SCRATCH/ini" || fail "no red bar colour: $(cat "$E2E_SCRATCH/ini")"
    [[ -f "$SYS/li_clr.ini" ]] || fail "the colour buttons' custom colours were not written"
}

# Without a sound device the settings dialog says that there is no mixer, and ALSA's own
# lines stay off standard error.
case_settings_dialog_quiet() {
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    printf '# no default device\n' >"$E2E_SCRATCH/asound.conf"
    export ALSA_CONFIG_PATH="$E2E_SCRATCH/asound.conf"
    e2e_launch
    wait_bar
    local caption try
    caption=$(printf '[\xe8\xa8\xad\xe5\xae\x9a]')  # [設定]
    menu_command c '^Error$'
    # Return to the message, then to the dialog (OK), each window activated first; a
    # window not yet ready for keys gets the key again.
    local name window
    for name in '^Error$' "$caption"; do
        for try in 1 2 3 4 5 6 7 8 9 10; do
            window=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n1)
            [[ -n $window ]] || { sleep 0.2; continue; }
            xdotool windowactivate --sync "$window" >/dev/null 2>&1 || true
            xdotool key Return >/dev/null 2>&1 || true
            wait_for '[[ -z "$(xdotool search --onlyvisible --name "$name" 2>/dev/null)" ]]' 10 &&
                break
        done
        [[ -z "$(xdotool search --onlyvisible --name "$name" 2>/dev/null)" ]] ||
            fail "the window $name did not close"
    done
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    grep -q 'CDName_Font' "$PROG/lintel.ini" || fail "the dialog did not close with OK"
    ! grep -q 'ALSA lib' "$E2E_SCRATCH/lintel.err" ||
        fail "ALSA's own lines on standard error: $(cat "$E2E_SCRATCH/lintel.err")"
}

# A disc image in drives.ini is heard: the sound device gets the image's bytes as they
# are, and the gauge moves with them.
case_image_plays_audibly() {
    e2e_image_drive
    e2e_sound
    e2e_launch
    wait_bar
    local bar
    bar=$(bar_of "$BAR_PID")
    local start=$EPOCHREALTIME
    sleep 1.2
    import -window "$bar" "$E2E_SCRATCH/tick1.png"
    sleep 1.1
    import -window "$bar" "$E2E_SCRATCH/tick2.png"
    cmp -s "$E2E_SCRATCH/tick1.png" "$E2E_SCRATCH/tick2.png" &&
        fail "the gauge did not move while the image played"
    # The disc lasts 5 s; the bar notices its end at the next tick.
    sleep "$(awk -v s="$start" -v n="$EPOCHREALTIME" 'BEGIN { w = s + 7.5 - n; print (w > 0 ? w : 0) }')"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    heard_is "$E2E_SCRATCH/heard.raw" "$SYS/disc.bin" ||
        fail "the sound device did not get the image's bytes ($(stat -c %s "$E2E_SCRATCH/heard.raw" 2>/dev/null || echo no) bytes)"
}

# Without a sound device the image plays silently by the clock: one box says why, standard
# error says it once, and the gauge goes on.
case_image_without_sound_device() {
    e2e_image_drive
    printf '# no default device\n' >"$E2E_SCRATCH/asound.conf"
    export ALSA_CONFIG_PATH="$E2E_SCRATCH/asound.conf"
    e2e_launch
    wait_bar
    wait_box
    [[ $(count "$(boxes_of "$BAR_PID")") == 1 ]] || fail "more than one box"
    answer_box
    local bar
    bar=$(bar_of "$BAR_PID")
    import -window "$bar" "$E2E_SCRATCH/tick1.png"
    sleep 1.1
    import -window "$bar" "$E2E_SCRATCH/tick2.png"
    cmp -s "$E2E_SCRATCH/tick1.png" "$E2E_SCRATCH/tick2.png" &&
        fail "the gauge did not move while the image played silently"
    [[ -z "$(boxes_of "$BAR_PID")" ]] || fail "another box showed"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    [[ $(grep -c 'ALSA' "$E2E_SCRATCH/lintel.err") == 1 ]] ||
        fail "the reason is not on standard error once: $(cat "$E2E_SCRATCH/lintel.err")"
}

# The desktop's media controls through playerctl, as the desktop's panel and media keys
# use them, on a session bus of the test's own.
pc() { playerctl -p lintel "$@" 2>/dev/null; }
# wait_pc WHAT EXPECTED: `playerctl WHAT` gives EXPECTED within two seconds.
wait_pc() {
    local what=$1 want=$2
    # shellcheck disable=SC2086
    wait_for '[[ "$(pc $what)" == "$want" ]]' 20 || fail "playerctl $what is '$(pc $what)', not '$want'"
}
changes() { grep -c 'member=PropertiesChanged' "$E2E_SCRATCH/monitor.log" || true; }

case_media_controls() {
    require "playerctl" command -v playerctl
    e2e_session_bus
    printf '[Config]\r\nDrive=V:\r\nPosition=1\r\nResumption=1\r\n' >"$PROG/lintel.ini"
    dbus-monitor --session "type='signal',member='PropertiesChanged',path='/org/mpris/MediaPlayer2'" \
        "type='signal',member='Seeked',path='/org/mpris/MediaPlayer2'" \
        >"$E2E_SCRATCH/monitor.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_launch
    wait_bar
    wait_pc status Stopped
    wait_pc "metadata xesam:trackNumber" 1
    [[ $(pc metadata xesam:title) == "Track 1" ]] || fail "track title $(pc metadata xesam:title)"
    [[ $(pc metadata xesam:album) == "new disk" ]] || fail "album $(pc metadata xesam:album)"
    [[ $(pc metadata mpris:length) == 273000000 ]] || fail "length $(pc metadata mpris:length)"
    [[ $(pc metadata mpris:trackid) == "'/org/lintel/"* ]] || fail "track id $(pc metadata mpris:trackid)"

    # The program-play dialog open: play is refused and changes nothing.
    local caption
    caption=$(printf '\xe3\x83\x97\xe3\x83\xad\xe3\x82\xb0\xe3\x83\xa9\xe3\x83\xa0\xe3\x83\x97\xe3\x83\xac\xe3\x82\xa4')
    menu_command r "^$caption\$"
    [[ -n $MENU_WINDOW ]] || fail "the program-play dialog did not open"
    wait_for '[[ $(busctl_can CanPlay) == false ]]' 20 || fail "CanPlay reads true under the dialog"
    pc play || true
    sleep 1.2
    [[ $(pc status) == Stopped ]] || fail "play was not refused with the dialog open"
    xdotool key Escape
    wait_for '[[ -z "$(xdotool search --onlyvisible --name "^$caption\$" 2>/dev/null)" ]]' 30 ||
        fail "the program-play dialog did not close"
    wait_for '[[ $(busctl_can CanPlay) == true ]]' 20 || fail "CanPlay stays false"

    # Stopped: next, next, previous move the bar's track; one change of track is one signal,
    # and idle ticks send nothing.
    pc next
    wait_pc "metadata xesam:trackNumber" 2
    sleep 1.5
    local before
    before=$(changes)
    pc next
    wait_pc "metadata xesam:trackNumber" 3
    sleep 2.2
    [[ $(changes) == $((before + 1)) ]] ||
        fail "a track change sent $(($(changes) - before)) PropertiesChanged signals"
    pc previous
    wait_pc "metadata xesam:trackNumber" 2

    # Play, pause and play-pause from each state, as the media key does.
    pc play
    wait_pc status Playing
    [[ $(pc metadata xesam:trackNumber) == 2 ]] || fail "play did not start at track 2"
    pc play-pause
    wait_pc status Paused
    pc play-pause
    wait_pc status Playing
    pc pause
    wait_pc status Paused
    pc play
    wait_pc status Playing
    pc play
    wait_pc status Playing
    pc stop
    wait_pc status Stopped
    wait_pc "metadata xesam:trackNumber" 1
    pc play-pause
    wait_pc status Playing

    # A jump into the track, then shuffle and loop as the repeat button and random play.
    [[ $(grep -c 'member=Seeked' "$E2E_SCRATCH/monitor.log") == 0 ]] ||
        fail "Seeked was sent while the disc played on"
    pc position 30
    wait_for '(( $(pc position | cut -d. -f1) >= 30 && $(pc position | cut -d. -f1) < 34 ))' 20 ||
        fail "the position is $(pc position) after position 30"
    wait_for 'grep -q "member=Seeked" "$E2E_SCRATCH/monitor.log"' 20 || fail "no Seeked signal"
    # A position for a track that is not the current one is stale and ignored.
    dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.lintel \
        /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Player.SetPosition \
        objpath:/org/lintel/Disc/0/Track9 int64:5000000
    sleep 0.5
    (($(pc position | cut -d. -f1) >= 30)) || fail "a stale SetPosition moved to $(pc position)"
    pc shuffle On
    wait_pc shuffle On
    pc loop Playlist
    wait_pc loop Playlist
    pc loop Track
    wait_pc loop Playlist

    # Opening a file and setting the volume are refused.
    ! pc open file:///tmp/a.wav >/dev/null || fail "open was not refused"
    ! dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.lintel /org/mpris/MediaPlayer2 \
        org.freedesktop.DBus.Properties.Set string:org.mpris.MediaPlayer2.Player string:Volume \
        variant:double:0.5 >/dev/null 2>&1 || fail "a volume was accepted"

    # Quit while playing: the resume record holds what was set.
    dbus-send --session --type=method_call --dest=org.mpris.MediaPlayer2.lintel \
        /org/mpris/MediaPlayer2 org.mpris.MediaPlayer2.Quit
    wait_for '! running "$BAR_PID"' 100 || fail "the bar did not end after Quit"
    grep -q $'^bUseRep=1\r$' "$PROG/lintel.ini" || fail "bUseRep: $(tr -d '\r' <"$PROG/lintel.ini" | grep bUse)"
    grep -q $'^bUseRnd=1\r$' "$PROG/lintel.ini" || fail "bUseRnd: $(tr -d '\r' <"$PROG/lintel.ini" | grep bUse)"
    grep -q $'^NowTrack=1\r$' "$PROG/lintel.ini" || fail "NowTrack: $(grep -a NowTrack "$PROG/lintel.ini")"
}

# A property of the player interface as the bus gives it.
busctl_can() {
    dbus-send --session --print-reply --dest=org.mpris.MediaPlayer2.lintel /org/mpris/MediaPlayer2 \
        org.freedesktop.DBus.Properties.Get string:org.mpris.MediaPlayer2.Player "string:$1" \
        2>/dev/null | sed -n 's/.*boolean //p'
}

# Without a session bus the bar starts as before and says so once.
case_media_controls_without_bus() {
    export DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_SCRATCH/no-bus"
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    [[ $(grep -c 'media controls' "$E2E_SCRATCH/lintel.err") == 1 ]] ||
        fail "standard error does not say it once: $(cat "$E2E_SCRATCH/lintel.err")"
}

# A second program under another executable name (so with its own instance guard) takes a
# name of its own on the bus, and both answer.
bus_names() {
    dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
        org.freedesktop.DBus.ListNames 2>/dev/null | sed -n 's/.*string "\(org\.mpris\.[^"]*\)"/\1/p'
}
case_media_controls_two_programs() {
    e2e_session_bus
    printf '[Drives]\nV=twelve-tracks.disc\nW=twelve-tracks.disc\n' >"$SYS/drives.ini"
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    e2e_launch
    wait_bar
    local first=$BAR_PID
    mkdir -p "$E2E_SCRATCH/prog2"
    cp "$LINTEL" "$E2E_SCRATCH/prog2/lintel2"
    printf '[Config]\r\nDrive=W:\r\n' >"$E2E_SCRATCH/prog2/lintel2.ini"
    env -u QT_QPA_PLATFORM HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/.config" \
        XDG_RUNTIME_DIR="$RUNDIR" "$E2E_SCRATCH/prog2/lintel2" 2>>"$E2E_SCRATCH/lintel.err" &
    BAR_PID=$!
    E2E_PIDS+=("$BAR_PID")
    wait_bar
    wait_for 'bus_names | grep -qx "org.mpris.MediaPlayer2.lintel.instance$BAR_PID"' 50 ||
        fail "the second program holds no name of its own: $(bus_names | tr '\n' ' ')"
    bus_names | grep -qx 'org.mpris.MediaPlayer2.lintel' || fail "the first program lost its name"
    end_with TERM
    BAR_PID=$first
    end_with TERM
}

# With no X11 display (Qt's offscreen platform here) the bar runs on, docked by its own
# rules, and says once that it cannot reserve its strip.
case_no_x11_display() {
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    env -u DISPLAY QT_QPA_PLATFORM=offscreen HOME="$HOME_DIR" XDG_CONFIG_HOME="$HOME_DIR/.config" \
        XDG_RUNTIME_DIR="$RUNDIR" DBUS_SESSION_BUS_ADDRESS="unix:path=$E2E_SCRATCH/no-bus" \
        "$PROG/lintel" 2>>"$E2E_SCRATCH/lintel.err" &
    BAR_PID=$!
    E2E_PIDS+=("$BAR_PID")
    wait_for 'grep -q "cannot reserve" "$E2E_SCRATCH/lintel.err"' 100 || fail "nothing said"
    sleep 1.5
    running "$BAR_PID" || fail "the bar ended"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
    [[ $(grep -c 'cannot reserve' "$E2E_SCRATCH/lintel.err") == 1 ]] ||
        fail "not said once: $(cat "$E2E_SCRATCH/lintel.err")"
}

# The bar through the real accessibility bus, as a screen reader reads it, with typed titles
# on the disc: names, the time, play by the button's action, and the keyboard on the panel.
case_screen_reader() {
    # The distribution's own interpreter, which the Debian package serves.
    require "python3-pyatspi" /usr/bin/python3 -c "import pyatspi"
    e2e_accessibility_bus
    printf '[Config]\r\nDrive=V:\r\n' >"$PROG/lintel.ini"
    # The first run makes the disc's record; its titles are then typed into the file.
    e2e_launch
    wait_bar
    end_with TERM
    local title="Blue Sky" artist="Band" track1
    track1=$(printf '\xe5\xa4\x9c\xe6\x98\x8e\xe3\x81\x91')  # 夜明け
    grep -q $'^title=new disk\r$' "$PROG/lintel.ini" || fail "no record was made for the disc"
    sed -i -e "s/^title=new disk\r\$/title=$title\r/" -e "s/^artist=new artist\r\$/artist=$artist\r/" \
        -e "s/^0=.*\r\$/0=$(printf '%s' "$track1" | iconv -f UTF-8 -t CP932)\r/" "$PROG/lintel.ini"
    e2e_launch
    wait_bar
    # The window that has the keyboard before the bar takes it, and gets it back on Escape.
    xmessage -name lintel-other "other" &
    E2E_PIDS+=($!)
    local other=""
    wait_for '[[ -n "$(xdotool search --onlyvisible --classname lintel-other 2>/dev/null)" ]]' 100 ||
        fail "the other window did not show"
    other=$(xdotool search --onlyvisible --classname lintel-other | head -n1)
    xdotool windowactivate --sync "$other" >/dev/null 2>&1 || true
    /usr/bin/python3 "$SOURCE_DIR/tests/e2e/read_bar.py" "$BAR_PID" "$title" "$artist" "$track1" \
        "$(bar_of "$BAR_PID")" "$other" || fail "a screen reader would miss this"
    end_with TERM
    [[ $STATUS == 0 ]] || fail "exit status $STATUS"
}

e2e_display
e2e_home twelve-tracks.disc
"case_$CASE"
echo "PASS: $CASE"
