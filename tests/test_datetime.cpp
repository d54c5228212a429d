#include <gtest/gtest.h>

#include "core/datetime.h"

namespace vx {
namespace {

std::int64_t At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0, int ms = 0) {
  return MSecsFromParts(DateParts{y, mo, d, h, mi, s, ms});
}

TEST(DateTime, DaysCountFrom30December1899AndRoundTripToTheMillisecond) {
  EXPECT_EQ(At(1899, 12, 30), 0);
  EXPECT_EQ(At(1900, 1, 1), 2 * kMSecsPerDay);
  EXPECT_DOUBLE_EQ(MSecsToDateTime(At(2026, 12, 7, 12)), 46363.5);
  // Every millisecond of a day survives the trip through a date-time,
  // including the last one, which must not become the next day.
  for (std::int64_t ms :
       {At(2026, 12, 7, 23, 59, 59, 999), At(2026, 12, 7, 0, 0, 0, 1), At(2000, 2, 29, 13, 14, 15, 16)})
    EXPECT_EQ(DateTimeToMSecs(MSecsToDateTime(ms)), ms);
  const DateParts p = PartsFromMSecs(At(2024, 2, 29, 23, 59, 59, 999));
  EXPECT_EQ((std::vector<int>{p.year, p.month, p.day, p.hour, p.minute, p.second, p.msec}),
            (std::vector<int>{2024, 2, 29, 23, 59, 59, 999}));
}

TEST(DateTime, FormatsWithJapaneseSeparatorsAndDropsMilliseconds) {
  const TDateTime t = MSecsToDateTime(At(2026, 12, 7, 9, 30, 0, 999));
  EXPECT_EQ(FormatDateTime("yy/mm/dd hh:mm:ss", t), "26/12/07 09:30:00");
  EXPECT_EQ(FormatDateTime("yy/mm/dd | hh:mm:ss | ", MSecsToDateTime(At(2026, 12, 7, 4, 18, 2))),
            "26/12/07 | 04:18:02 | ");
  EXPECT_EQ(FormatDateTime("hh:mm:ss | ", t), "09:30:00 | ");
  EXPECT_EQ(FormatDateTime("yyyy/mm/dd", t), "2026/12/07");
  // Day zero, what an OK with no previous end stores.
  EXPECT_EQ(FormatDateTime("yy/mm/dd hh:mm:ss", 0), "99/12/30 00:00:00");
}

TEST(DateTime, ElapsedTimeIsATimeOfDayCutToTheSecond) {
  EXPECT_EQ(FormatElapsed(0), "00:00:00");
  EXPECT_EQ(FormatElapsed(((25 * 60 + 0) * 60 + 5) * 1000LL), "01:00:05");
  EXPECT_EQ(FormatElapsed(kMSecsPerDay - 1), "23:59:59");
  EXPECT_EQ(FormatElapsed(25 * 3600 * 1000LL), "01:00:00");
  EXPECT_EQ(FormatElapsed(((5 * 60 + 11) * 60 + 58) * 1000LL + 400), "05:11:58");
  EXPECT_EQ(FormatElapsed(-5), "00:00:00");
}

TEST(DateTime, ParsesWhatItWritesAndRejectsTheRest) {
  TDateTime t = -1;
  ASSERT_TRUE(TryParseDateTime("26/12/07 09:30:00", 2026, t));
  EXPECT_EQ(DateTimeToMSecs(t), At(2026, 12, 7, 9, 30));
  // Two-digit years lie in the current century; four digits stand.
  ASSERT_TRUE(TryParseDateTime("99/12/31 23:59:59", 2026, t));
  EXPECT_EQ(DateTimeToMSecs(t), At(2099, 12, 31, 23, 59, 59));
  ASSERT_TRUE(TryParseDateTime("1999/1/2 3:04", 2026, t));
  EXPECT_EQ(DateTimeToMSecs(t), At(1999, 1, 2, 3, 4));
  // Two numbers are month and day of the current year; a date alone is midnight.
  ASSERT_TRUE(TryParseDateTime("12/07", 2026, t));
  EXPECT_EQ(DateTimeToMSecs(t), At(2026, 12, 7));
  ASSERT_TRUE(TryParseDateTime(" 26/2/28  7:5:6 ", 2026, t));
  EXPECT_EQ(DateTimeToMSecs(t), At(2026, 2, 28, 7, 5, 6));
  // A formatted day zero reads back as a date in this century, not as zero.
  ASSERT_TRUE(TryParseDateTime("99/12/30 00:00:00", 2026, t));
  EXPECT_NE(t, 0);

  for (const char* bad : {"", "abc", "26", "26/13/01", "26/02/29", "26/12/07 24:00:00", "26/12/07 09:60", "26/12/07 9",
                          "26.12.07 09:30:00", "26/12/07 09:30:00 x", "26/12/07/01", "26/12/07 1:2:3:4", "-1/2/3"}) {
    t = 7;
    EXPECT_FALSE(TryParseDateTime(bad, 2026, t)) << bad;
    EXPECT_EQ(t, 7) << bad;
  }
  ASSERT_TRUE(TryParseDateTime("24/02/29", 2026, t));  // a leap day
}

}  // namespace
}  // namespace vx
