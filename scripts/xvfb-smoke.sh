#!/usr/bin/env bash
# The desktop program as a user drives it, on a virtual X display: start, resize to
# nothing and back, open both tool dialogs, Save As, Load an edited copy, Save again to
# see the loaded value, Escape. Passes when every step is seen to happen, the program
# exits with code 0 and its output holds no sanitizer report.
#   bash scripts/xvfb-smoke.sh [path/to/quennet]    (default build/src/app/quennet)
set -euo pipefail
cd "$(dirname "$0")/.."
program="$(realpath "${1:-build/src/app/quennet}")"
[ -x "$program" ] || { echo "xvfb-smoke: no program at $program" >&2; exit 1; }
for tool in Xvfb xdotool; do
  command -v "$tool" > /dev/null || { echo "xvfb-smoke: $tool is missing (scripts/install-deps.sh)" >&2; exit 1; }
done

work="$(mktemp -d /tmp/quennet-smoke.XXXXXX)"
xvfb_pid=""
program_pid=""
cleanup() {
  if [ -n "$program_pid" ] && kill -0 "$program_pid" 2> /dev/null; then kill "$program_pid" 2> /dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2> /dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT
fail() {
  echo "xvfb-smoke: FAILED: $*" >&2
  echo "--- program output ---" >&2
  cat "$work/program.log" >&2 || true
  exit 1
}

# A display of its own: Xvfb picks a free number and tells it on fd 3.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3> "$work/display" 2> "$work/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -1 "$work/display")"

# Sanitizer builds: report leaks, stop at the first finding, keep third-party leaks out.
export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}"
export LSAN_OPTIONS="${LSAN_OPTIONS:-suppressions=$PWD/scripts/lsan.supp:print_suppressions=0}"

"$program" > "$work/program.log" 2>&1 &
program_pid=$!

# The visible window with exactly this title (the program also owns hidden ones).
find_window() {
  local title="$1" id
  for _ in $(seq 300); do
    kill -0 "$program_pid" 2> /dev/null || fail "the program ended while waiting for \"$title\""
    id="$(xdotool search --onlyvisible --name "^${title}\$" 2> /dev/null | head -1 || true)"
    if [ -n "$id" ]; then echo "$id"; return 0; fi
    sleep 0.1
  done
  fail "no window \"$title\""
}
window_gone() {
  local title="$1"
  for _ in $(seq 100); do
    [ -z "$(xdotool search --onlyvisible --name "^${title}\$" 2> /dev/null || true)" ] && return 0
    sleep 0.1
  done
  fail "window \"$title\" is still open"
}
size_of() { xdotool getwindowgeometry "$1" | sed -n 's/.*Geometry: //p'; }

main="$(find_window quennet)"
size="$(size_of "$main")"
width="${size%x*}"
height="${size#*x}"
echo "xvfb-smoke: main window $main, ${width}x${height}"
sleep 1

# The four small buttons stand in the left margin, placed in dialog units: the picture
# area spans 8..211 units across and 0..198 down, which gives the unit size in pixels.
button() {
  local units_y="$1"
  xdotool mousemove --window "$main" $((width * 35 / 2110)) $((height * units_y / 1980)) click 1
}

# Resized to nothing (1 x 1 is the smallest X window: the picture area gets no pixels)
# and back; frames go on throughout.
xdotool windowsize "$main" 1 1
sleep 1
echo "xvfb-smoke: resized to $(size_of "$main")"
kill -0 "$program_pid" 2> /dev/null || fail "the program ended after the resize to nothing"
xdotool windowsize "$main" "$width" "$height"
sleep 1
[ "$(size_of "$main")" = "${width}x${height}" ] || fail "the window did not get its size back"

button 35    # shape dialog
find_window "the bog" > /dev/null
button 125   # material dialog
find_window material > /dev/null

# The file dialogs take a typed path and Enter.
file_dialog() {
  local title="$1" path="$2" id
  id="$(find_window "$title")"
  xdotool windowfocus --sync "$id"
  sleep 0.3
  xdotool key ctrl+a
  xdotool type --delay 10 "$path"
  xdotool key Return
  window_gone "$title"
}
wait_for_file() {
  for _ in $(seq 100); do [ -s "$1" ] && return 0; sleep 0.1; done
  fail "$1 was not written"
}

button 440   # S: Save As
file_dialog "Save As" "$work/saved.manus"
wait_for_file "$work/saved.manus"
grep -qx 'm_StepsMajor' "$work/saved.manus" || fail "the saved file has no m_StepsMajor"

# Load a copy with other step counts, then save again: the loaded values must be there.
sed -e '/^m_StepsMajor$/{n;s/.*/           20/}' -e '/^m_StepsMinor$/{n;s/.*/           31/}' \
  "$work/saved.manus" > "$work/edited.manus"
button 340   # L: Open
file_dialog Open "$work/edited.manus"
sleep 0.5
button 440
file_dialog "Save As" "$work/again.manus"
wait_for_file "$work/again.manus"
cmp -s "$work/edited.manus" "$work/again.manus" || fail "the loaded values did not come back on save"

xdotool windowfocus --sync "$main"
sleep 0.3
xdotool key Escape
status=""
for _ in $(seq 300); do
  if ! kill -0 "$program_pid" 2> /dev/null; then
    set +e
    wait "$program_pid"
    status=$?
    set -e
    break
  fi
  sleep 0.1
done
[ -n "$status" ] || fail "the program did not end after Escape"
program_pid=""
[ "$status" -eq 0 ] || fail "the program exited with code $status"
if grep -qE 'ERROR: (Address|Leak)Sanitizer|runtime error:|SUMMARY: (Address|UndefinedBehavior|Leak)Sanitizer' \
  "$work/program.log"; then
  fail "a sanitizer reported"
fi
echo "xvfb-smoke: passed (exit code 0, no sanitizer report)"
