#!/bin/bash
# Starts vell-calendar on a demo store (real iCalendar files from Debian's
# packages and a few of our own), answers one job of each kind, stops it.
# VELL_BIN: the programs' folder; VELL_DEMO_OUT: where the demo writes.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
bin=${VELL_BIN:-$here/../build/bin}
out=${VELL_DEMO_OUT:-$here/../build/demo}/calendar
samples="$VELL_CACHE/samples/calendars"
[ -s "$samples/recurrence.ics" ] || bash "$here/samples/calendars.sh"

rm -rf "$out"
data="$out/data"
store="$data/vell/calendars"
base="$out/base"
mkdir -p "$base/jobs" "$base/results" "$store/personal/home" "$store/personal/history" "$store/work/team"
chmod 700 "$store"
echo "Personal" > "$store/personal/displayname"
echo "Home" > "$store/personal/home/displayname"
echo "Team" > "$store/work/team/displayname"
cp "$samples/recurrence.ics" "$store/personal/home/"
cp "$samples/exdate.ics" "$store/personal/history/"
# A weekly call in Berlin across the change to summer time, and an all-day day.
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//vell demo//EN\r\nBEGIN:VEVENT\r\nUID:demo-call\r\nDTSTART;TZID=Europe/Berlin:20260316T090000\r\nDTEND;TZID=Europe/Berlin:20260316T093000\r\nRRULE:FREQ=WEEKLY;COUNT=4\r\nSUMMARY:Berlin call\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' \
  > "$store/work/team/call.ics"
printf 'BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//vell demo//EN\r\nBEGIN:VEVENT\r\nUID:demo-offsite\r\nDTSTART;VALUE=DATE:20260320\r\nSUMMARY:Offsite\r\nEND:VEVENT\r\nEND:VCALENDAR\r\n' \
  > "$store/work/team/offsite.ics"

show() { python3 -m json.tool --no-ensure-ascii "$1" | sed 's/^/    /'; }
wait_for() { for _ in $(seq 300); do [ -e "$1" ] && return 0; sleep 0.01; done; echo "no $1" >&2; return 1; }

echo "store: $store"
XDG_DATA_HOME="$data" TZ=UTC "$bin/vell-calendar" "$base" &
pid=$!
trap 'kill "$pid" 2>/dev/null || true' EXIT
wait_for "$base/status.json"
echo "status.json:"
show "$base/status.json"

# 2026-03-01T00:00:00Z to 2026-03-31T00:00:00Z.
start=1772323200
end=$((start + 30 * 86400))
printf '{"task":"events","calendarIds":["work/team","personal/home"],"start":%s,"end":%s}' "$start" "$end" \
  > "$base/jobs/.events.json.part"
mv "$base/jobs/.events.json.part" "$base/jobs/events.json"
printf '{"task":"create","calendarId":"personal/home","title":"Dentist","start":%s,"end":%s}' \
  "$((start + 9 * 86400 + 36000))" "$((start + 9 * 86400 + 39600))" > "$base/jobs/.create.json.part"
mv "$base/jobs/.create.json.part" "$base/jobs/create.json"
began=$EPOCHREALTIME
wait_for "$base/results/events.json"
wait_for "$base/results/create.json"
echo "jobs answered in $(awk -v a="$began" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.2f", b - a }') s"
echo "events job, March 2026 in two calendars:"
show "$base/results/events.json"
echo "create job:"
show "$base/results/create.json"
echo "the new item:"
sed 's/^/    /' "$store/personal/home/$(python3 -c 'import json,sys; print(json.load(open(sys.argv[1]))["id"])' "$base/results/create.json").ics"

kill -TERM "$pid"
status=0
wait "$pid" || status=$?
trap - EXIT
echo "bridge stopped with exit status $status"
