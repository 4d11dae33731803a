#!/usr/bin/env bash
# The installed program's first start as a newcomer meets it: a real X server
# (run under xvfb-run), no engine configuration anywhere. The folder dialog
# comes up, the folder of the old data is typed into it (xdotool), the
# user's own configuration file is written with the alias DBRK, and the
# window opens, ready for "Übertragung starten". An end signal then closes it.
#
#   xvfb-run -a first-start-test.sh PROGRAM PARADOX_DIR WORK_DIR
set -euo pipefail
program=$1 paradox=$2 work=$3
fail() { echo "FAIL (first start): $*" >&2; exit 1; }
command -v xdotool >/dev/null || fail "xdotool is not installed (tools/install-deps.sh)"

home="$work/first-home"
mkdir -p "$home" "$work/first-runtime"
chmod 700 "$work/first-runtime"
env -i PATH=/usr/bin:/bin HOME="$home" XDG_CONFIG_DIRS="$work/nowhere" XDG_RUNTIME_DIR="$work/first-runtime" \
  DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" LC_ALL=de_DE.UTF-8 \
  timeout --foreground 60 "$program" 2>"$work/first-stderr" &
# --foreground: timeout passes our end signal on to the program once, not
# also to its process group (a second signal would force exit 2).
pid=$!
trap 'kill -TERM $pid 2>/dev/null || true' EXIT

# The first visible window whose title matches $1, within 20 s. A search
# that meets a window being destroyed ends with an X error (BadWindow): it is
# asked again, as is one that finds nothing yet.
find_window() {
  local deadline=$((SECONDS + 20)) id
  while [ "$SECONDS" -lt "$deadline" ]; do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) || true
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.2
  done
  return 1
}

dialog=$(find_window "Ordner mit den Ravelkamp-5-Daten") ||
  fail "no folder dialog; standard error: $(cat "$work/first-stderr")"
xdotool windowfocus --sync "$dialog"
sleep 0.3 # the dialog reads the home folder first
xdotool type --delay 5 "$paradox"
xdotool key Return
find_window '^RK_VAD2AV$' >/dev/null ||
  fail "the window did not open after the folder was chosen; standard error: $(cat "$work/first-stderr")"

expected=$(printf '[DBRK]\nPATH=%s\nDEFAULT DRIVER=PARADOX' "$paradox")
[ "$(cat "$home/.config/rk_vad2av/engine.conf")" = "$expected" ] || fail "the user's file holds something else"
kill -TERM $pid
status=0
wait $pid || status=$?
trap - EXIT
[ "$status" -eq 0 ] || fail "exit code $status after the end signal"
if grep -q "Kein Zugriff" "$work/first-stderr"; then fail "$(cat "$work/first-stderr")"; fi
echo "first start: folder chosen, $home/.config/rk_vad2av/engine.conf written, window open"
