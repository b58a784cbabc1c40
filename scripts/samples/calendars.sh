#!/bin/bash
# Real iCalendar files from Debian packages' test data and examples, for the
# calendar store's and the calendar bridge's tests.
set -euo pipefail
source "$(dirname "$0")/../lib.sh"
out="$VELL_CACHE/samples/calendars"
mkdir -p "$out"

# Daily COUNT and weekly UNTIL rules with EXDATEs, floating and Europe/Vienna.
deb_extract python3-icalendar usr/lib/python3/dist-packages/icalendar/tests/recurrence.ics \
  "$out/recurrence.ics" d41f2a9b6d31481e9ab37c8e94376855b6cb2dd12c58346c05330b1060f611de
# A custom VTIMEZONE whose TZID is not a zone of the system database.
deb_extract python3-icalendar usr/lib/python3/dist-packages/icalendar/tests/america_new_york.ics \
  "$out/america_new_york.ics" d1662b730e64e85a27d5385d5f590543d53ba3a1ac11c2acc556dc0f92d3a0cd
# A yearly all-day event with a DATE EXDATE (the file lacks END:VCALENDAR).
deb_extract php-horde-icalendar usr/share/doc/php-horde-icalendar/examples/exdate.ics \
  "$out/exdate.ics" e3038111aacc79609c8fb479d80d352bb08932a90adad52485cd3ffeb5d91e1b
