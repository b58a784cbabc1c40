#pragma once

// Time zones that calendar items in the tests carry with them.

#include <string>

namespace vell::calendar_test_zones {

// A custom zone as Outlook writes it, from the year 1601.
inline const std::string outlook =
    "BEGIN:VTIMEZONE\r\nTZID:W. Europe Standard Time\r\n"
    "BEGIN:STANDARD\r\nDTSTART:16010101T030000\r\nTZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=10\r\nEND:STANDARD\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:16010101T020000\r\nTZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\n"
    "RRULE:FREQ=YEARLY;BYDAY=-1SU;BYMONTH=3\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n";

// Changes its offset every second from 1601 on, by 99 hours.
inline const std::string everySecond =
    "BEGIN:VTIMEZONE\r\nTZID:Hostile\r\nBEGIN:STANDARD\r\nDTSTART:16010101T000000\r\n"
    "RRULE:FREQ=SECONDLY\r\nTZOFFSETFROM:+9999\r\nTZOFFSETTO:-9999\r\nEND:STANDARD\r\n"
    "END:VTIMEZONE\r\n";

}  // namespace vell::calendar_test_zones
