#!/usr/bin/env bash
# The Debian package end to end: cpack builds it from this build tree, its
# control fields, its file list, lintian and the desktop validators are
# checked, dpkg -x unpacks it into a temporary root, and the unpacked
# programs run from there in a private X server as a user's first start
# would: the program finds its driver library, the simulated device, its
# help page and its default settings relative to itself, records into the
# per-user data folder, Restore defaults writes what the package shipped,
# and File -> Exit ends it; the viewer opens the recording and finds its
# help page; vexa-rmd reads it.
#   package_test.sh BUILD_DIR PRIVATE_LIBDIR
# Exit 0 pass, 1 fail, 77 skipped (tools missing). E2E_KEEP=1 keeps the
# folder of the run.
set -uo pipefail
BUILD=$(cd "$1" && pwd)
LIBDIR=$2
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=../e2e/e2e_lib.sh
source "$HERE/../e2e/e2e_lib.sh"
for tool in cpack dpkg-deb dpkg-shlibdeps file; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done

MAIN_TITLE='^ZovuDori Vexa[1-6]$'
VIEWER_TITLE='pkg\.rmd .* PreviewVexaRM$'

opened() { grep -qxF -- "$1" "$OPENED" 2>/dev/null; }
settings_written() { [ -f "$1" ] && [ ! -e "$1.tmp" ]; }

e2e_display 1280x800

# ---- Build the package ------------------------------------------------------------
echo "== cpack"
(cd "$E2E_DIR" && cpack -G DEB --config "$BUILD/CPackConfig.cmake" -B "$E2E_DIR/pkg") \
    >"$E2E_DIR/cpack.log" 2>&1 || { cat "$E2E_DIR/cpack.log"; e2e_fail "cpack failed"; }
DEB=$(ls "$E2E_DIR"/pkg/*.deb 2>/dev/null | head -n1)
[ -n "$DEB" ] || { cat "$E2E_DIR/cpack.log"; e2e_fail "cpack made no .deb"; }
echo "$(basename "$DEB"): $(stat -c %s "$DEB") bytes"

# ---- Control fields -----------------------------------------------------------------
field() { dpkg-deb -f "$DEB" "$1"; }
dpkg-deb -f "$DEB" Package Version Section Depends Maintainer
[ "$(field Section)" = electronics ] || e2e_fail "section is '$(field Section)'"
for dep in libqt6widgets6 libjpeg62-turbo libstdc++6; do
    field Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//' | grep -qxF "$dep" ||
        e2e_fail "Depends lacks $dep"
done
[ -n "$(field Maintainer)" ] || e2e_fail "no maintainer"
[ "$(dpkg-deb -f "$DEB" Description | wc -l)" -gt 3 ] || e2e_fail "no long description"

# ---- The file list: every file expected, nothing else -------------------------------
ROOT="$E2E_DIR/root"
dpkg -x "$DEB" "$ROOT" || e2e_fail "dpkg -x failed"
sort >"$E2E_DIR/expected.txt" <<EOF
usr/bin/PreviewVexaRM
usr/bin/Vexa_RollMode
usr/bin/vexa-rmd
usr/$LIBDIR/libvexarmdrv.so
usr/$LIBDIR/libvexausb.so
usr/share/applications/example.korvel.PreviewVexaRM.desktop
usr/share/applications/example.korvel.VexaRollMode.desktop
usr/share/doc/vexa-rollmode/changelog.gz
usr/share/doc/vexa-rollmode/copyright
usr/share/icons/hicolor/48x48/apps/example.korvel.VexaRollMode.png
usr/share/icons/hicolor/scalable/apps/example.korvel.VexaRollMode.svg
usr/share/man/man1/PreviewVexaRM.1.gz
usr/share/man/man1/Vexa_RollMode.1.gz
usr/share/man/man1/vexa-rmd.1.gz
usr/share/metainfo/example.korvel.VexaRollMode.metainfo.xml
usr/share/mime/packages/vexa-rmd.xml
usr/share/vexa/Help/help.htm
usr/share/vexa/VexaSplash.jpg
usr/share/vexa/ZovuDori.ini
EOF
(cd "$ROOT" && find . ! -type d | sed 's|^\./||' | sort) >"$E2E_DIR/files.txt"
diff -u "$E2E_DIR/expected.txt" "$E2E_DIR/files.txt" || e2e_fail "the package's files differ"
identify -format '%wx%h\n' "$ROOT/usr/share/icons/hicolor/48x48/apps/example.korvel.VexaRollMode.png" |
    grep -qx 48x48 || e2e_fail "the PNG icon is not 48x48"

# ---- Lintian and the desktop validators ---------------------------------------------
if command -v lintian >/dev/null; then
    echo "== lintian"
    lintian --fail-on error "$DEB" || e2e_fail "lintian reports errors"
else
    echo "lintian is not installed: not checked"
fi
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$ROOT"/usr/share/applications/*.desktop ||
        e2e_fail "desktop-file-validate"
else
    echo "desktop-file-validate is not installed: not checked"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net "$ROOT"/usr/share/metainfo/*.metainfo.xml ||
        e2e_fail "appstreamcli validate"
else
    echo "appstreamcli is not installed: not checked"
fi

# ---- The unpacked program: a user's first start -------------------------------------
# Help -> Index hands the page to xdg-open; this one notes what it was given.
mkdir -p "$E2E_DIR/fakebin"
OPENED="$E2E_DIR/opened.txt"
printf '#!/bin/sh\nprintf "%%s\\n" "$1" >>"%s"\n' "$OPENED" >"$E2E_DIR/fakebin/xdg-open"
chmod +x "$E2E_DIR/fakebin/xdg-open"
export PATH="$E2E_DIR/fakebin:$PATH"
unset XDG_DATA_HOME XDG_CONFIG_HOME LD_LIBRARY_PATH
DATA="$HOME/.local/share/Korvel/Vexa_RollMode"
SHIPPED="$ROOT/usr/share/vexa/ZovuDori.ini"
HELP="file://$(readlink -f "$ROOT/usr/share/vexa/Help/help.htm")"

# start_installed [VAR=value ...]: the unpacked program, started from
# another folder as a menu would start it.
start_installed() {
    (cd "$E2E_DIR" && exec env "$@" "$ROOT/usr/bin/Vexa_RollMode") >>"$E2E_DIR/program.log" 2>&1 &
    E2E_PID=$!
    E2E_PIDS+=("$E2E_PID")
}
# A window has come: the main window, or a message before it.
main_or_message() {
    [ -n "$(xdotool search --onlyvisible --name "$MAIN_TITLE|^Error$" 2>/dev/null)" ]
}
shown() { [ -n "$(xdotool search --onlyvisible --name "$1" 2>/dev/null)" ]; }
# menu_until WINDOW MENU-KEYS KEY CONDITION...: opens a menu, then presses
# the command's key until the condition holds (a key typed before the menu
# is open goes to a control that ignores it). Bounded.
menu_until() {
    local window=$1 menu=$2 key=$3
    shift 3
    e2e_answer "$window" "$menu"
    for _ in $(seq 1 50); do
        "$@" && return 0
        xdotool key "$key"
        sleep 0.2
    done
    "$@"
}
exit_by_menu() {
    menu_until "$1" alt+f x shown '^Confirm$' || e2e_fail "File -> Exit did not ask"
    e2e_answer "$(e2e_wait_window '^Confirm$' 1)" Return # Yes is the default button
    e2e_wait_exit "$E2E_PID" 15 || e2e_fail "the program did not end cleanly (code $?)"
}

echo "== first start"
start_installed
wait_until 30 main_or_message || e2e_fail "no window after the start"
main=$(e2e_wait_window "$MAIN_TITLE" 1) ||
    e2e_fail "a message instead of the main window (missing settings, or no device: demo mode)"
cmp "$SHIPPED" "$DATA/ZovuDori.ini" || e2e_fail "the default settings were not copied"
e2e_shot first_start >/dev/null

# Help -> Index finds the help page in the package's data folder.
menu_until "$main" alt+h i opened "$HELP" ||
    e2e_fail "Help -> Index did not open $HELP (got: $(cat "$OPENED" 2>/dev/null))"

# A short recording by keyboard alone, into the per-user folder: the file
# name edit is the first control of the bottom row, then saving on and the
# sampling-rate bar six steps up (250 S/s to 25 kS/s); F5 starts, F6 stops.
xdotool windowfocus --sync "$main" 2>/dev/null || xdotool windowfocus "$main"
xdotool key --delay 40 $(printf 'Tab %.0s' $(seq 1 31))
xdotool key ctrl+a BackSpace
xdotool type --delay 30 "pkg.rmd"
xdotool key Return
xdotool key --delay 40 Tab Tab Tab space Tab Right Right Right Right Right Right
RECORD="$DATA/pkg.rmd"
wait_until 10 test -e "$RECORD" || e2e_fail "saving is not on (no $RECORD)"
xdotool key F5
wait_until 30 bigger_than "$RECORD" 100000 || e2e_fail "the record file does not grow"
xdotool key F6

# Settings -> Restore defaults writes exactly what the package ships.
rm -f "$DATA/ZovuDori.ini"
menu_until "$main" alt+s r shown '^Confirm$' || e2e_fail "Restore defaults did not ask"
e2e_answer "$(e2e_wait_window '^Confirm$' 1)" Return # OK is the default button
wait_until 10 settings_written "$DATA/ZovuDori.ini" || e2e_fail "Restore defaults wrote nothing"
cmp "$SHIPPED" "$DATA/ZovuDori.ini" || e2e_fail "the shipped defaults differ from Restore defaults"

exit_by_menu "$main"
[ "$(wc -l <"$DATA/ZovuDori.ini")" -eq 62 ] || e2e_fail "the settings were not saved at the exit"
left=$(ls "$ROOT/usr/bin" | grep -vxE 'Vexa_RollMode|PreviewVexaRM|vexa-rmd')
[ -z "$left" ] || e2e_fail "files written beside the program: $left"

# ---- The unpacked viewer opens the recording -----------------------------------------
echo "== viewer"
("$ROOT/usr/bin/PreviewVexaRM" "$RECORD" >>"$E2E_DIR/viewer.log" 2>&1) &
VPID=$!
E2E_PIDS+=("$VPID")
viewer=$(e2e_wait_window "$VIEWER_TITLE" 20) || e2e_fail "the viewer did not open pkg.rmd"
wait_until 20 test -s "$DATA/pkg.ind" || e2e_fail "the viewer built no index"
e2e_shot viewer >/dev/null
e2e_answer "$viewer" F1
wait_until 10 opened "$HELP#viewer" || e2e_fail "the viewer's Help -> Index did not open its page"
e2e_answer "$viewer" ctrl+q
wait_until 15 sh -c "! kill -0 $VPID 2>/dev/null" || e2e_fail "the viewer did not end"

# ---- vexa-rmd reads it ----------------------------------------------------------------
echo "== vexa-rmd"
info=$("$ROOT/usr/bin/vexa-rmd" info "$RECORD") || e2e_fail "vexa-rmd info failed: $info"
echo "$info"
grep -q '1 measurement$' <<<"$info" || e2e_fail "vexa-rmd: not one measurement"
grep -qx 'problems: none' <<<"$info" || e2e_fail "vexa-rmd: problems in the recording"
grep -qx "index: $DATA/pkg.ind, current" <<<"$info" || e2e_fail "vexa-rmd: the viewer's index is not current"

# ---- A later start without the settings file gets the message -------------------------
echo "== start without settings"
rm "$DATA/ZovuDori.ini"
start_installed
wait_until 30 main_or_message || e2e_fail "no window after the second start"
msg=$(e2e_wait_window '^Error$' 1) || e2e_fail "no message about the deleted settings file"
e2e_answer "$msg" Return
main=$(e2e_wait_window "$MAIN_TITLE" 20) || e2e_fail "main window not shown"
exit_by_menu "$main"
echo PASS
