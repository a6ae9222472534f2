#!/usr/bin/env bash
# Takes the README's pictures of the real program under Xvfb with a window manager (openbox):
#   docs/main-window.png     the main window on the demo archive's start page
#   docs/article-search.png  the article search dialog with words typed
#   docs/search-results.png  the results page of that search
#   docs/file-browser.png    the file browser on a companion disk
#   docs/extraction.png      the extraction dialog while it extracts
#   docs/viewer.png          the viewer window showing a source file with the word found
#   docs/full-text-build.png    the full-text index being built, its progress in the status bar
#   docs/full-text-results.png  the hits of a full-text search
# Usage: tools/take_screenshots.sh [PROGRAM [PICTURE...]]   (default: build-release/src/app/
# vantorel, as built by ./run; with PICTUREs, the file names above, only the steps that take
# them run). Needs xvfb, openbox, xdotool and imagemagick (installed when missing).
# Each window is reached through a one-link page written into a scratch copy of the demo, so
# the clicks do not depend on the start page's layout.
set -euo pipefail
cd "$(dirname "$0")/.."
project=$PWD
program=$(realpath "${1:-build-release/src/app/vantorel}")
pictures=("${@:2}")
wanted() {  # PICTURE...: true when one of them is to be taken
  ((${#pictures[@]} == 0)) && return 0
  local picture
  for picture in "$@"; do [[ " ${pictures[*]} " == *" $picture "* ]] && return 0; done
  return 1
}
[ -x "$program" ] || { echo "no program at $program (run ./run first)" >&2; exit 1; }

needed=()
for tool in Xvfb:xvfb openbox:openbox xdotool:xdotool import:imagemagick; do
  command -v "${tool%%:*}" >/dev/null || needed+=("${tool#*:}")
done
if ((${#needed[@]} > 0)); then
  sudo_cmd=()
  if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
  "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${needed[@]}"
fi

work=$(mktemp -d /tmp/vantorel-screenshots.XXXX)
xvfb_pid= wm_pid= program_pid=
cleanup() {
  for pid in $program_pid $wm_pid $xvfb_pid; do kill "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

# A display of its own.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x900x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
openbox >/dev/null 2>&1 &
wm_pid=$!
sleep 1

demo=$work/demo
python3 tools/make_demo_archive.py "$demo" >/dev/null
export VANTOREL_CONFIG_DIR=$work/config XDG_DATA_HOME=$work/data
mkdir -p docs

# A page whose only content is one big link at its top-left corner.
link_page() {
  printf '<HTML><BODY><A HREF="%s"><FONT SIZE=7>%s</FONT></A></BODY></HTML>\n' "$2" "$3" \
    >"$demo/$1"
}

wait_window() {  # NAME -> window id
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | tail -1) || true
    [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window named '$1'" >&2
  exit 1
}

start_program() {  # ARGUMENT...
  stop_program
  "$program" "$@" >>"$work/program.log" 2>&1 &
  program_pid=$!
  main=$(wait_window "Vantorel Article Browser")
  sleep 1.5
}

stop_program() {
  if [ -n "$program_pid" ]; then
    kill "$program_pid" 2>/dev/null || true
    wait "$program_pid" 2>/dev/null || true
    program_pid=
  fi
}

shot() {  # FILE WINDOW-ID...: the screen region covering the windows with their frames
  local x0=100000 y0=100000 x1=0 y1=0 id
  for id in "${@:2}"; do
    local frame=$id parent
    # openbox reparents: the outermost window below the root is the frame.
    while parent=$(xwininfo -id "$frame" -children 2>/dev/null |
                   sed -n 's/^  Parent window id: \(0x[0-9a-f]*\).*/\1/p') &&
          [ -n "$parent" ] && [ "$(xwininfo -id "$parent" | grep -c 'root window')" = 0 ]; do
      frame=$parent
    done
    eval "$(xwininfo -id "$frame" | awk '/Absolute upper-left X/{print "x="$4} /Absolute upper-left Y/{print "y="$4} /Width:/{print "w="$2} /Height:/{print "h="$2}')"
    ((x < x0)) && x0=$x; ((y < y0)) && y0=$y
    ((x + w > x1)) && x1=$((x + w)); ((y + h > y1)) && y1=$((y + h))
  done
  import -window root -crop "$((x1 - x0))x$((y1 - y0))+$x0+$y0" +repage "docs/$1"
  # 128 colours keep a window's picture a third of its size, with no difference to be seen.
  convert "docs/$1" +dither -colors 128 -define png:compression-level=9 "docs/$1"
  echo "docs/$1"
}

click_page_link() {  # the big link at the top-left of the page in the main window
  eval "$(xdotool getwindowgeometry --shell "$main")"
  xdotool mousemove --window "$main" 40 110 click 1
}

# 1. The start page; 2. the article search; 3. its results.
if wanted main-window.png article-search.png search-results.png; then
start_program "$demo"
shot main-window.png "$main"
xdotool windowactivate --sync "$main" key ctrl+s
search=$(wait_window "Search articles")
sleep 0.5
xdotool type --delay 40 "memory heap"
sleep 0.5
shot article-search.png "$main" "$search"
xdotool key Return
sleep 1.5
xdotool key Return  # "... matches were found: do you wish to view the results?" Yes
sleep 2
shot search-results.png "$main"
fi

# 4. The file browser on the first companion disk.
if wanted file-browser.png; then
link_page shot-browse.htm "diry:///disks/Issue01" "Companion disk"
start_program "$demo/shot-browse.htm"
click_page_link
browser=$(wait_window "File Browser")
sleep 1.5
shot file-browser.png "$browser"
stop_program
fi

# 5. The extraction dialog during a run: an archive of many small files keeps it busy.
if wanted extraction.png; then
python3 - "$demo/DISKS/Issue01/MANY.ZIP" <<'PY'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as archive:
    for i in range(40000):
        archive.writestr(f"SRC/UNIT{i:05d}.PAS", f"unit Unit{i};\ninterface\nimplementation\nend.\n" * 20)
PY
link_page shot-unzip.htm "DISKS/Issue01/MANY.ZIP" "Many files"
start_program "$demo/shot-unzip.htm"
click_page_link
unzip=$(wait_window "Extract files from Zipfile")
sleep 1
# The Unzip button stands at the right end of the top row.
eval "$(xdotool getwindowgeometry --shell "$unzip")"
xdotool mousemove --window "$unzip" $((WIDTH - 44)) 19 click 1
sleep 1.2
shot extraction.png "$unzip"
stop_program
fi

# 6. The viewer on a source file with the word found.
if wanted viewer.png; then
link_page shot-view.htm "VIEW:///DISKS/Issue01/INTRO/INTRO.PAS|Stream" "View source"
start_program "$demo/shot-view.htm"
click_page_link
viewer=$(wait_window "Source Viewer")
sleep 1.5
find=$(xdotool search --onlyvisible --name "Find" 2>/dev/null | tail -1 || true)
shot viewer.png "$viewer" ${find:+"$find"}
stop_program
fi

# 7. The full-text search: its index being built over a larger archive (the window goes on
# working meanwhile), then the hits of a search on the demo. The question before the first
# build is answered Yes (its default button).
if wanted full-text-build.png; then
  python3 tools/make_demo_archive.py "$work/large" --articles 4000 >/dev/null
  start_program "$work/large"
  xdotool windowactivate --sync "$main" key ctrl+t
  wait_window "Full-Text Search" >/dev/null
  xdotool type --delay 40 "benchmark"
  xdotool key Return
  sleep 1.5
  xdotool key Return
  sleep 1.2
  shot full-text-build.png "$main"
  stop_program
fi
if wanted full-text-results.png; then
  start_program "$demo"
  xdotool windowactivate --sync "$main" key ctrl+t
  wait_window "Full-Text Search" >/dev/null
  xdotool type --delay 40 "benchmark OR TBufStream"
  xdotool key Return
  sleep 1.5
  xdotool key Return
  sleep 4
  shot full-text-results.png "$main"
  stop_program
fi
