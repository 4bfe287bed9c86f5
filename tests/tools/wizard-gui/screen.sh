# Shell functions that run LumbrixWizard.exe on a virtual display under Wine
# and drive it with real key presses, for the tests and the demo (sourced).
#
#   screen_start WORKDIR        Xvfb on a free display, a Wine prefix of its own
#   wizard_start ARGS...        starts the wizard; WIZARD_PID, WIZARD_WINDOW
#   press KEY...                key presses to the wizard, one at a time
#   wizard_wait                 waits for the wizard to end; WIZARD_EXIT
#   screen_shot FILE            the whole display as a PNG
#   screen_stop                 ends Wine's processes and the display
#
# Needs: WIZARD_EXE (LumbrixWizard.exe with Lumbrix.dll beside it), and the
# Debian packages xvfb, xdotool, imagemagick and x11-utils.

WINE=/usr/lib/wine/wine64
# Debian's fonts-wqy-microhei, as Windows names a linked font: file,face.
CJK_FONT="wqy-microhei.ttc,WenQuanYi Micro Hei"
# A key press is taken once the wizard has drawn its answer to the last one.
KEY_PAUSE=${KEY_PAUSE:-0.4}

screen_start() {
  local workdir=$1 n
  # A prefix for the wizard alone: its desktop belongs to this display.
  export WINEPREFIX="$workdir/wineprefix-screen" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  # Xvfb picks a free display itself and names it once it accepts clients.
  local fifo="$workdir/display-number"
  rm -f "$fifo"
  mkfifo "$fifo"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 &
  SCREEN_PID=$!
  read -r -t 60 n <"$fifo" || n=
  rm -f "$fifo"
  [ -n "$n" ] || { echo "Xvfb did not start" >&2; return 1; }
  export DISPLAY=":$n"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$WINE" wineboot -i >/dev/null 2>&1 || true
    # Windows fills in the glyphs a dialog font lacks from fonts linked to
    # it; the prefix links the dialog fonts to a Debian font that covers
    # Chinese, Japanese and Korean.
    local face key='HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink'
    for face in "Tahoma" "Microsoft Sans Serif"; do
      "$WINE" reg add "$key" /v "$face" /t REG_MULTI_SZ /d "$CJK_FONT" /f >/dev/null 2>&1
    done
  fi
}

screen_stop() {
  [ -n "${WINEPREFIX:-}" ] && /usr/lib/wine/wineserver -k 2>/dev/null || true
  if [ -n "${SCREEN_PID:-}" ]; then
    kill "$SCREEN_PID" 2>/dev/null || true
    wait "$SCREEN_PID" 2>/dev/null || true
    SCREEN_PID=
  fi
}

# The Windows form of a Linux path, as Wine shows the Linux root on Z:.
winpath() {
  printf 'Z:%s' "$(printf '%s' "$1" | tr '/' '\\')"
}

# The first visible window whose title is exactly $1, waiting up to 60 s.
find_window() {
  local i id
  for i in $(seq 600); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1)
    [ -n "$id" ] && { echo "$id"; return 0; }
    kill -0 "$WIZARD_PID" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

wizard_start() {
  "$WINE" "$WIZARD_EXE" "$@" >/dev/null 2>&1 &
  WIZARD_PID=$!
  WIZARD_WINDOW=$(find_window "Lumbrix Wizard") || {
    echo "the wizard's window did not appear" >&2
    return 1
  }
  # The first panel is shown once the database has loaded.
  sleep 1
}

press() {
  local key
  for key in "$@"; do
    xdotool windowfocus --sync "$WIZARD_WINDOW" >/dev/null 2>&1 || return 1
    xdotool key --clearmodifiers "$key"
    sleep "$KEY_PAUSE"
  done
}

wizard_wait() {
  local i
  for i in $(seq 300); do
    kill -0 "$WIZARD_PID" 2>/dev/null || break
    sleep 0.1
  done
  if kill -0 "$WIZARD_PID" 2>/dev/null; then
    echo "the wizard did not end" >&2
    kill "$WIZARD_PID" 2>/dev/null || true
  fi
  WIZARD_EXIT=0
  wait "$WIZARD_PID" || WIZARD_EXIT=$?
}

screen_shot() {
  import -display "$DISPLAY" -window root "$1"
}

# The text of an INI file: UTF-16 when it starts with its byte-order mark,
# otherwise the ANSI code page; without carriage returns.
ini_text() {
  [ -f "$1" ] || return 0
  if [ "$(head -c 2 "$1" | od -An -tx1 | tr -d ' ')" = "fffe" ]; then
    iconv -f UTF-16 -t UTF-8 "$1" | tr -d '\r'
  else
    iconv -f WINDOWS-1252 -t UTF-8 "$1" | tr -d '\r'
  fi
}
