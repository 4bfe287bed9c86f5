#!/usr/bin/env bash
# LumbrixWizard.exe as a person uses it: on a virtual display under Wine,
# driven by key presses only, judged by its exit code, the INI file it leaves
# and the windows it shows.
#
#   wizard_gui_test.sh LumbrixWizard.exe lumbrix-db.exe WORKDIR
set -uo pipefail
WIZARD_EXE=$(realpath "$1")
DB_TOOL=$(realpath "$2")
work=$(realpath -m "$3")
here=$(cd "$(dirname "$0")" && pwd)
source "$here/screen.sh"

mkdir -p "$work"
trap screen_stop EXIT
screen_start "$work" || exit 1

failures=0
fail() {
  echo "FAIL [$case_name]: $*"
  failures=$((failures + 1))
}

# Panel 1 leads to panel 2, whose options depend on the choice, and on to
# panel 3. Names sort upper case first: Chart, Report, export.
cat >"$work/walk.json" <<'JSON'
{
  "panels": [
    {"panel": 1, "options": [
      {"id": 1, "name": "Report", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 2, "next_ids": [1, 2]},
      {"id": 2, "name": "Chart", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 2, "next_ids": [3]},
      {"id": 3, "name": "export", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 0, "next_ids": []}]},
    {"panel": 2, "options": [
      {"id": 1, "name": "Monthly", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 3, "next_ids": [2, 1]},
      {"id": 2, "name": "Yearly", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 3, "next_ids": [1]},
      {"id": 3, "name": "Pie", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 0, "next_ids": []}]},
    {"panel": 3, "options": [
      {"id": 1, "name": "PDF", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 0, "next_ids": []},
      {"id": 2, "name": "画面", "title": 0, "data1": 0, "data2": 0, "data3": 0, "next_panel": 0, "next_ids": []}]}
  ]
}
JSON

# A fresh folder for a case, holding walk.db (and Sales.wzd in compound.db).
new_case() {
  case_name=$1
  dir="$work/$1"
  rm -rf "$dir"
  mkdir -p "$dir"
  (cd "$work" && "$WINE" "$DB_TOOL" build walk.json "$1/walk.db" &&
    "$WINE" "$DB_TOOL" build walk.json "$1/compound.db" --stream Sales.wzd) >/dev/null ||
    fail "lumbrix-db could not build the databases"
}

# The INI file's sections and choices on one line: "1=Report 2=Monthly".
choices() {
  ini_text "$1" | awk -F'[]:= ]+' '/^\[Wzd Panel/ { panel = $3 } /^Last Option/ { printf "%s%s=%s", sep, panel, $3; sep = " " }'
}

expect() { # what exit-code ini-file expected-choices
  [ "$WIZARD_EXIT" = "$2" ] || fail "$1: exit code $WIZARD_EXIT, expected $2"
  local got
  got=$(choices "$3")
  [ "$got" = "$4" ] || fail "$1: choices '$got', expected '$4'"
}

walk() { # exit-code expected-choices key...
  local code=$1 expected=$2
  shift 2
  wizard_start "$(winpath "$dir/walk.db")" || { fail "no window"; return; }
  press "$@" || fail "the window went away before the last key"
  wizard_wait
  expect "walk" "$code" "$dir/walk.ini" "$expected"
}

# An INI file that starts as UTF-16 keeps names outside the ANSI code page.
new_case finish_saves_every_panel
printf '\xff\xfe' >"$dir/walk.ini"
walk 0 "1=Report 2=Monthly 3=画面" Down Return Return Down Return

# Back finds the earlier choice still selected (Report, not the first
# option); a choice changed after Back (Yearly to Monthly) replaces the one
# saved before.
new_case back_keeps_and_replaces
walk 0 "1=Report 2=Monthly 3=PDF" Down Return alt+b Return Down Return alt+b Up Return Return

# Cancel keeps what Next saved and nothing of the page it leaves; the next
# run preselects the stored choice (Report, whose panel 2 offers Monthly).
new_case cancel_then_second_run
walk 1 "1=Report" Down Return Down Escape
walk 1 "1=Report 2=Monthly" Return Return Escape

new_case compound_database
mkdir -p "$dir/ini"
wizard_start "$(winpath "$dir/compound.db")" --stream Sales.wzd --ini-dir "$(winpath "$dir/ini")" ||
  fail "no window"
press Return Return || fail "the window went away before the last key"
wizard_wait
expect "compound" 0 "$dir/ini/Sales.ini" "1=Chart 2=Pie"

# The window that owns window $1, as X sees it: Wine sets the property as it
# maps the window, so it may be a moment late.
owner_of() {
  local i owner
  for i in $(seq 20); do
    owner=$(xprop -id "$1" WM_TRANSIENT_FOR 2>/dev/null | grep -o '0x[0-9a-f]*')
    [ -n "$owner" ] && { echo "$owner"; return; }
    sleep 0.1
  done
}

# The library's messages (one or more), each owned by the wizard's window,
# then exit code 2.
unusable() { # what arguments...
  local what=$1 message owner shown=0
  shift
  wizard_start "$@" || { fail "$what: no window"; return; }
  local handled=" " rounds=0
  while message=$(find_window "Lumbrix") && [ $((rounds += 1)) -le 100 ]; do
    # A message answered may take a moment to go.
    case "$handled" in *" $message "*) sleep 0.1; continue ;; esac
    handled="$handled$message "
    shown=$((shown + 1))
    owner=$(owner_of "$message")
    [ -n "$owner" ] && [ "$((owner))" = "$WIZARD_WINDOW" ] ||
      fail "$what: a message not owned by the wizard (owner ${owner:-none}, wizard $WIZARD_WINDOW)"
    [ "$shown" = 1 ] && [ -n "${MESSAGE_SHOT:-}" ] && screen_shot "$MESSAGE_SHOT"
    xdotool windowfocus --sync "$message" key --clearmodifiers Return
  done
  [ "$shown" -gt 0 ] || fail "$what: no message from the library"
  wizard_wait
  [ "$WIZARD_EXIT" = 2 ] || fail "$what: exit code $WIZARD_EXIT, expected 2"
}

new_case unusable_database
head -c 40 "$dir/walk.db" >"$dir/damaged.db"
unusable "damaged" "$(winpath "$dir/damaged.db")"
unusable "no such stream" "$(winpath "$dir/compound.db")" --stream Missing.wzd

# Without a database: the usage in a message box, then exit code 2.
case_name=usage
wizard_start && press Return
wizard_wait
[ "$WIZARD_EXIT" = 2 ] || fail "exit code $WIZARD_EXIT, expected 2"

# Asked for: the usage or the version in a message box, then exit code 0.
for option in --help --version; do
  case_name=$option
  wizard_start "$option" && press Return
  wizard_wait
  [ "$WIZARD_EXIT" = 0 ] || fail "$option: exit code $WIZARD_EXIT, expected 0"
done

if [ "$failures" -ne 0 ]; then
  echo "$failures failure(s)"
  exit 1
fi
echo "all wizard walks passed"
