#!/usr/bin/env bash
# The real program in a real X server: started on simulated files with a file it cannot
# read in front of them, it shows two timed messages (each closed early by a key), then the
# files; a click on "-All-" shows the whole range in one-minute bins with "1min" in red, and
# the development-mode key sequence uncovers the "dev" page and covers it again. Then the road
# of one deployment: "Read SD" reads a simulated card into a KL1 file, "Trains" finds its
# click trains (the KL3 file kelp-cli writes), "Files - View" opens the file set.
# Usage: xvfb_end_to_end.sh KELP KELP-CLI WORKDIR
set -euo pipefail
kelp="$(realpath "$1")"
cli="$(realpath "$2")"
work="$3"

for tool in Xvfb xdotool import convert compare; do
  if ! command -v "$tool" >/dev/null; then
    echo "xvfb_end_to_end: $tool is missing (scripts/deps installs xvfb, xdotool and imagemagick)" >&2
    exit 1
  fi
done

rm -rf "$work"
mkdir -p "$work/KELP files"
cd "$work"
"$cli" simulate --out card --minutes 120 --seed 3 --scenario porpoise >simulate.log 2>&1
"$cli" download card "KELP files" --start "2024-06-01 08:00" --now "2024-06-02 12:00" --location "E2E" \
  >download.log 2>&1
kl1=$(ls "KELP files"/*.KL1)
"$cli" trains "$kl1" >trains.log 2>&1
kl3="${kl1%.KL1}.KL3"
echo "not a data file" >"not a data file.txt"

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
}
trap cleanup EXIT

exec 3>display.txt
Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp -noreset >xvfb.log 2>&1 &
pids+=($!)
exec 3>&-
# A loaded machine can take a while to start the server.
for _ in $(seq 600); do [ -s display.txt ] && break; sleep 0.1; done
[ -s display.txt ] || { echo "xvfb_end_to_end: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -n1 display.txt)"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

fail() {
  echo "xvfb_end_to_end: $*" >&2
  exit 1
}
# Polls a command until it succeeds, for up to $1 seconds.
within() {
  local seconds="$1"
  shift
  local end=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -lt $end ] || return 1
    sleep 0.1
  done
}
message_shown() { xdotool search --onlyvisible --name '^KELP message$'; }
message_gone() { ! message_shown; }
title_shown() { xdotool search --onlyvisible --name "^$1\$"; }
shot() { import -window root "$1"; }
# Red pixels (as the chosen caption is drawn) in a rectangle WxH+X+Y of a picture.
# Pixels of a crop as lines "x y red green blue".
pixels() {
  convert "$1" -crop "$2" +repage txt:- |
    awk 'NR > 1 { split($1, at, /[,:]/); sub(/^[^(]*\(/, ""); split($0, c, /[,)]/); print at[1], at[2], c[1], c[2], c[3] }'
}
red_pixels() { pixels "$1" "$2" | awk '$3 > 180 && $4 < 90 && $5 < 90 { n++ } END { print n + 0 }'; }
# The first black pixel of a crop: its y for a column, its x for a row.
first_black_y() { pixels "$1" "$2" | awk '!found && $3 == 0 && $4 == 0 && $5 == 0 { print $2; found = 1 }'; }
first_black_x() { pixels "$1" "$2" | awk '!found && $3 == 0 && $4 == 0 && $5 == 0 { print $1; found = 1 }'; }
differing() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1 || true; }

# The pages' places in tab order.
tabs=$("$kelp" --screenshot "$work/no-pictures" --page "no such page" 2>&1 | grep -o '"[^"]*"' | tr -d '"' || true)
tab_index() { printf '%s\n' "$tabs" | grep -nx -- "$1" | cut -d: -f1 | awk '{ print $1 - 1 }'; }
readsd=$(tab_index "Read SD")
filesview=$(tab_index "Files - View")
trains=$(tab_index "Trains")
results=$(tab_index "Results")
dev=$(tab_index "dev")
[ -n "$readsd" ] && [ -n "$filesview" ] && [ -n "$trains" ] && [ -n "$results" ] && [ -n "$dev" ] ||
  fail "the window lacks a page of the test (its pages: $(echo $tabs))"
# Turns from tab $1 to tab $2.
turn() {
  local key=ctrl+Tab n=$(($2 - $1))
  if [ "$n" -lt 0 ]; then key=ctrl+shift+Tab n=$((-n)); fi
  for _ in $(seq "$n"); do xdotool key "$key"; done
  sleep 0.5
}

"$kelp" --size 1280x760 --open "not a data file.txt" "$kl1" "$kl3" >kelp.log 2>&1 &
pids+=($!)
first_kelp=$!

# Two five-second messages, each closed by a key well before its time (the window of the
# second may be a new one).
for notice in 1 2; do
  within 20 message_shown || fail "timed message $notice did not appear"
  window=$(message_shown | head -n1)
  xdotool mousemove --window "$window" 200 40
  [ "$notice" = 1 ] && shot message.png
  xdotool key space
  still_there() { message_shown | grep -qx "$window"; }
  gone() { ! still_there; }
  within 3 gone || fail "timed message $notice did not close on a key"
done
name="KELP file  $(basename "$kl3")"
within 20 xdotool search --onlyvisible --name "^$name\$" || fail "the window does not show the files"
main=$(xdotool search --onlyvisible --name "^$name\$" | head -n1)
sleep 1
shot files.png

# Where the display lies: its black legend strip starts 12 pixels below its top, 18 right of its left.
top=$(first_black_y files.png 1x400+300+0)
[ -n "$top" ] || fail "no display in the window"
row=$((top + 5))
left=$(first_black_x files.png 300x1+0+$row)
top=$((top - 12))
left=$((left - 18))

# "-All-" lies 800 pixels right of the first scale caption; "1min" (scale 11) 440.
xdotool mousemove $((left + 18 + 800 + 8)) $((top + 29 + 5)) click 1
for _ in $(seq 50); do
  shot all.png
  [ "$(red_pixels all.png 30x11+$((left + 18 + 440))+$((top + 29)))" -gt 0 ] && break
  sleep 0.2
done
[ "$(red_pixels all.png 30x11+$((left + 18 + 440))+$((top + 29)))" -gt 0 ] || fail "\"-All-\" did not choose 1min"
[ "$(red_pixels all.png 30x11+$((left + 18 + 280))+$((top + 29)))" -eq 0 ] || fail "10ms is still chosen"
plot="600x300+$((left + 40))+$((top + 150))"
convert files.png -crop "$plot" +repage plot-before.png
# The screen is drawn bin by bin: pictures are taken until it has changed.
plot_changed() {
  shot all.png
  convert all.png -crop "$plot" +repage plot-after.png
  [ "$(differing plot-before.png plot-after.png)" -gt 1000 ]
}
within 20 plot_changed || fail "the display did not change"

# A drag of 60 pixels (20 one-minute bins) to the right zooms in: 20 minutes on a click scale
# need 100 ms per pixel (scale 10, 400 pixels right of the first caption).
y=$((top + 250))
xdotool mousemove $((left + 300)) $y mousedown 1
xdotool mousemove $((left + 330)) $y
xdotool mousemove $((left + 360)) $y mouseup 1
zoomed() {
  shot zoom.png
  [ "$(red_pixels zoom.png 30x11+$((left + 18 + 400))+$((top + 29)))" -gt 0 ]
}
within 20 zoomed || fail "the drag did not zoom to 100ms"
[ "$(red_pixels zoom.png 30x11+$((left + 18 + 440))+$((top + 29)))" -eq 0 ] || fail "1min is still chosen after the drag"

# The pointer menu over the upper band (file 2, the KL3 file): "Close this file", the twelfth
# item the keys reach, leaves file 1 in the title.
xdotool mousemove $((left + 400)) $y click 3
sleep 1
shot pointer-menu.png
for _ in $(seq 12); do xdotool key Down; done
xdotool key Return
within 20 title_shown "KELP file  $(basename "$kl1")" || fail "\"Close this file\" did not close the KL3 file"

# The key sequence uncovers the "dev" page and covers it again.
page="700x400+$((left + 20))+$((top + 60))"
# Takes pictures until the page differs from (or, with "same", matches) a picture of it.
page_shot() {
  local name="$1" against="$2" want="$3"
  for _ in $(seq 50); do
    shot "$name.png"
    convert "$name.png" -crop "$page" +repage "$name-page.png"
    [ -z "$against" ] && return 0
    local d
    d=$(differing "$against-page.png" "$name-page.png")
    if [ "$want" = differs ] && [ "$d" -gt 500 ]; then return 0; fi
    if [ "$want" = same ] && [ "$d" -lt 50 ]; then return 0; fi
    sleep 0.2
  done
  return 1
}
convert all.png -crop "$page" +repage all-page.png
turn "$filesview" "$dev"
page_shot dev-normal all differs || fail "ctrl+Tab did not turn the pages"
sleep 0.5
page_shot dev-normal "" ""
xdotool key ctrl+f ctrl+r ctrl+o ctrl+g
page_shot dev-development dev-normal differs || fail "development mode did not uncover the dev page"
xdotool key ctrl+f ctrl+r ctrl+o ctrl+g
page_shot dev-normal-again dev-normal same || fail "the second sequence did not return to normal mode"

# The road of one deployment, in a window started with no files. A page's main button has the
# focus when the page first comes to the front; the dialogs are answered by typing the name.
kill "$first_kelp" 2>/dev/null || true
wait "$first_kelp" 2>/dev/null || true
mkdir -p "road/KELP files" "road/cli KELP"
"$cli" simulate --out road/card --minutes 120 --seed 3 --scenario porpoise >road-simulate.log 2>&1
dialog_shown() { xdotool search --onlyvisible --name "^$1"; }
dialog_gone() { ! dialog_shown "$1"; }
# Answers the dialog titled $1 with the file name $2.
answer() {
  within 20 dialog_shown "$1" || fail "no dialog \"$1\""
  xdotool key ctrl+a
  xdotool type --delay 2 "$2"
  xdotool key Return
  within 5 dialog_gone "$1" || xdotool key Return
  within 10 dialog_gone "$1" || fail "the dialog \"$1\" did not take $2"
}

"$kelp" --size 1280x760 >road.log 2>&1 &
pids+=($!)
within 20 title_shown "KELP.exe v1.054" || fail "the window did not start"
road=$(title_shown "KELP.exe v1.054" | head -n1)
xdotool windowfocus --sync "$road"
turn "$filesview" "$readsd"
xdotool key space
answer "Open 'DATA0.ORV' on SD card" "$work/road/card/DATA0.ORV"
answer "Save KELP data file to PC as" "$work/road/KELP files/road.KL1"
# "open file when finished": the new file is open on "Files - View".
within 60 title_shown "KELP file  road.KL1" || fail "the download did not open road.KL1"
shot road-read-sd.png
turn "$filesview" "$trains"
xdotool key space
answer "Select one or more files to process" "$work/road/KELP files/road.KL1"
within 120 test -s "road/KELP files/road.KL3" || fail "\"Find trains in a batch of .KL1 files\" wrote no KL3 file"
within 60 title_shown "KELP.exe v1.054   no files open" || fail "the batch did not end"
shot road-trains.png
[ ! -e "road/KELP files/road.KL2" ] || fail "the batch left its KL2 file"
cp "road/KELP files/road.KL1" "road/cli KELP/road.KL1"
"$cli" trains "road/cli KELP/road.KL1" >road-trains.log 2>&1
cmp "road/KELP files/road.KL3" "road/cli KELP/road.KL3" || fail "the window's KL3 file differs from kelp-cli's"
# The batch ends on "Results"; on "Files - View", "Open file set" (beside "Open up to 3 files",
# at the top of the panel on the right) opens the KL1 and KL3 files.
turn "$results" "$filesview"
eval "$(xdotool getwindowgeometry --shell "$road")"
xdotool mousemove $((X + WIDTH - 91)) $((Y + 64)) click 1
answer "Open KELP data file set" "$work/road/KELP files/road.KL1"
within 20 title_shown "KELP file  road.KL3" || fail "\"Open file set\" did not open the trains"
sleep 1
shot road-files.png
echo "xvfb_end_to_end: passed (pictures in $work)"
