// Date-times: the local time as a count of days since 30 December 1899, the
// time of day as the fraction. Arithmetic is done in whole milliseconds, so
// a computed start or end is exact to the millisecond.
//
// Text forms follow the Japanese desktop on every locale: "/" between the
// parts of a date, ":" between the parts of a time, year-month-day order.
// A value written by FormatDateTime therefore reads back as the same moment
// (to the second) through TryParseDateTime wherever the program runs.
#pragma once

#include <cstdint>
#include <string>

namespace vx {

using TDateTime = double;

constexpr std::int64_t kMSecsPerDay = 86'400'000;

struct DateParts {
  int year = 1899, month = 12, day = 30;
  int hour = 0, minute = 0, second = 0, msec = 0;
};

// Whole days times 86,400,000 plus the millisecond of the day.
std::int64_t DateTimeToMSecs(TDateTime t);
TDateTime MSecsToDateTime(std::int64_t ms);

std::int64_t MSecsFromParts(const DateParts& p);  // no range checks
DateParts PartsFromMSecs(std::int64_t ms);

// Formats with a pattern of the tokens "yy" (two-digit year), "yyyy", "mm"
// (month, or minutes right after an hour), "dd", "hh" (00-23), "nn"
// (minutes), "ss"; "/" and ":" are the date and time separators, and any
// other character is copied. Seconds are the finest unit; milliseconds are
// dropped, never rounded up.
std::string FormatDateTime(const std::string& pattern, TDateTime t);

// A count of milliseconds as a time of day in "hh:mm:ss": whole days are
// dropped, milliseconds cut off.
std::string FormatElapsed(std::int64_t ms);

// Reads a date, then optionally a time: "y/m/d" or "m/d" (the current
// year), a year of one or two digits lying in the current century; then
// "h:m" or "h:m:s". Blanks around the parts are allowed. False for anything
// else, or for a date or time that does not exist.
bool TryParseDateTime(const std::string& text, int currentYear, TDateTime& out);

}  // namespace vx
