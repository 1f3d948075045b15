// Comparing date-and-time texts as the user's locale writes them, for
// lists that sort a column of dates.
#pragma once

#include <string>

namespace quillet {

struct DateLocale {
  enum class Order : unsigned char { kMonthDayYear, kDayMonthYear, kYearMonthDay };
  bool hasDate = false;  // false: the date format could not be read
  Order order = Order::kMonthDayYear;
  char dateSeparator = '/';
  bool hasTime = false;  // false: the time format could not be read
  bool twelveHour = false;
  char timeSeparator = ':';
};

// The process's locale (its date and time formats); a format that names no
// day, month and year, or no hour, leaves hasDate / hasTime false.
DateLocale CurrentDateLocale();
// The formats as strftime patterns, e.g. "%d/%m/%Y" and "%I:%M %p".
DateLocale DateLocaleFromFormats(const std::string& dateFormat, const std::string& timeFormat);

struct DateTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
};

// All zeros when the date part does not follow the locale; the time only
// when it does. Years below 2000 have 2000 added.
DateTime ParseDateText(const std::string& text, const DateLocale& locale);

// -1 when `a` is earlier, 1 when later, 0 when equal to the minute.
int CompareDateTexts(const std::string& a, const std::string& b, const DateLocale& locale);
int CompareDateTexts(const std::string& a, const std::string& b);

}  // namespace quillet
