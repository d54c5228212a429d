#include "core/datetime.h"

#include <cmath>
#include <cstdio>

namespace vx {

namespace {

// Days from 1970-01-01 to a civil date, and back (proleptic Gregorian).
std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yoe = y - era * 400;
  const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(std::int64_t z, int& y, int& m, int& d) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t doe = z - era * 146097;
  const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = static_cast<int>(yoe + era * 400 + (m <= 2));
}

// 1899-12-30 counted from 1970-01-01.
const std::int64_t kEpochDays = DaysFromCivil(1899, 12, 30);

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a / b - ((a % b != 0) && ((a < 0) != (b < 0))); }

bool IsLeap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

int DaysInMonth(int y, int m) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

void Two(std::string& out, int v) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", v % 100);
  out += buf;
}

}  // namespace

std::int64_t DateTimeToMSecs(TDateTime t) {
  // A day count of today's size times 86,400,000 stays far inside a
  // double's exact range, so rounding gives the nearest millisecond.
  return std::llround(t * static_cast<double>(kMSecsPerDay));
}

TDateTime MSecsToDateTime(std::int64_t ms) { return static_cast<double>(ms) / static_cast<double>(kMSecsPerDay); }

std::int64_t MSecsFromParts(const DateParts& p) {
  const std::int64_t days = DaysFromCivil(p.year, p.month, p.day) - kEpochDays;
  return days * kMSecsPerDay + ((p.hour * 60 + p.minute) * 60 + p.second) * 1000LL + p.msec;
}

DateParts PartsFromMSecs(std::int64_t ms) {
  DateParts p;
  const std::int64_t days = FloorDiv(ms, kMSecsPerDay);
  std::int64_t rest = ms - days * kMSecsPerDay;
  CivilFromDays(days + kEpochDays, p.year, p.month, p.day);
  p.msec = static_cast<int>(rest % 1000);
  rest /= 1000;
  p.second = static_cast<int>(rest % 60);
  rest /= 60;
  p.minute = static_cast<int>(rest % 60);
  p.hour = static_cast<int>(rest / 60);
  return p;
}

std::string FormatDateTime(const std::string& pattern, TDateTime t) {
  const DateParts p = PartsFromMSecs(DateTimeToMSecs(t));
  std::string out;
  bool afterHour = false;  // "mm" right after an hour means minutes
  for (std::size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    std::size_t run = 1;
    while (i + run < pattern.size() && (pattern[i + run] | 0x20) == lower && lower >= 'a' && lower <= 'z') ++run;
    int value = 0;  // the date or time part the letters stand for
    bool part = true;
    switch (lower) {
      case 'y':
        value = p.year;
        break;
      case 'm':
        value = afterHour ? p.minute : p.month;
        break;
      case 'n':
        value = p.minute;
        break;
      case 'd':
        value = p.day;
        break;
      case 'h':
        value = p.hour;
        break;
      case 's':
        value = p.second;
        break;
      default:
        out.append(pattern, i, run);  // separators, blanks and bars as they stand
        part = false;
        break;
    }
    if (part) {
      if (lower == 'y' && run >= 4) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%04d", value);
        out += buf;
      } else {
        Two(out, value);
      }
      afterHour = lower == 'h';
    }
    i += run;
  }
  return out;
}

std::string FormatElapsed(std::int64_t ms) {
  const std::int64_t seconds = (ms < 0 ? 0 : ms % kMSecsPerDay) / 1000;
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", static_cast<int>(seconds / 3600),
                static_cast<int>(seconds / 60 % 60), static_cast<int>(seconds % 60));
  return buf;
}

namespace {

// Reads numbers separated by `sep`, with blanks around them; stops before
// anything else. Each number has its digit count recorded.
struct Numbers {
  int value[3] = {};
  int digits[3] = {};
  int count = 0;
};

bool ReadNumbers(const std::string& s, std::size_t& i, char sep, Numbers& n) {
  auto blanks = [&] {
    while (i < s.size() && s[i] == ' ') ++i;
  };
  for (;;) {
    blanks();
    const std::size_t start = i;
    long v = 0;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9' && i - start < 6) v = v * 10 + (s[i++] - '0');
    if (i == start || (i < s.size() && s[i] >= '0' && s[i] <= '9')) return false;
    if (n.count == 3) return false;
    n.value[n.count] = static_cast<int>(v);
    n.digits[n.count] = static_cast<int>(i - start);
    ++n.count;
    blanks();
    if (i < s.size() && s[i] == sep) {
      ++i;
      continue;
    }
    return true;
  }
}

}  // namespace

bool TryParseDateTime(const std::string& text, int currentYear, TDateTime& out) {
  std::size_t i = 0;
  Numbers date;
  if (!ReadNumbers(text, i, '/', date) || date.count < 2) return false;
  DateParts p;
  int yearDigits = 4;
  if (date.count == 3) {
    p.year = date.value[0];
    yearDigits = date.digits[0];
    p.month = date.value[1];
    p.day = date.value[2];
  } else {
    p.year = currentYear;
    p.month = date.value[0];
    p.day = date.value[1];
  }
  if (yearDigits <= 2) p.year += currentYear / 100 * 100;
  if (p.year < 1 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 || p.day > DaysInMonth(p.year, p.month))
    return false;
  if (i < text.size()) {
    Numbers time;
    if (!ReadNumbers(text, i, ':', time) || time.count < 2 || i != text.size()) return false;
    p.hour = time.value[0];
    p.minute = time.value[1];
    p.second = time.count == 3 ? time.value[2] : 0;
    if (p.hour > 23 || p.minute > 59 || p.second > 59) return false;
  }
  out = MSecsToDateTime(MSecsFromParts(p));
  return true;
}

}  // namespace vx
