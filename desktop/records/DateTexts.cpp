#include "desktop/records/DateTexts.h"

#include <langinfo.h>

#include <cctype>
#include <tuple>

namespace quillet {
namespace {

// Reads digits at `pos`; false when there are none. Very long runs are
// capped so that no text can overflow the number.
bool ReadNumber(const std::string& s, size_t* pos, int* out) {
  size_t p = *pos;
  int value = 0;
  size_t digits = 0;
  while (p < s.size() && std::isdigit(static_cast<unsigned char>(s[p]))) {
    if (value < 100000) value = value * 10 + (s[p] - '0');
    ++p;
    ++digits;
  }
  if (digits == 0) return false;
  *pos = p;
  *out = value;
  return true;
}

}  // namespace

DateLocale DateLocaleFromFormats(const std::string& dateFormat, const std::string& timeFormat) {
  DateLocale l;
  // The order of the day, month and year fields and the first character
  // between two of them.
  std::string fields;
  char separator = 0;
  for (size_t i = 0; i + 1 < dateFormat.size(); ++i) {
    if (dateFormat[i] != '%') {
      if (separator == 0 && !fields.empty()) separator = dateFormat[i];
      continue;
    }
    char c = dateFormat[++i];
    if (c == 'E' || c == 'O' || c == '-') {
      if (i + 1 >= dateFormat.size()) break;
      c = dateFormat[++i];
    }
    if (c == 'd' || c == 'e') fields += 'd';
    else if (c == 'm' || c == 'b' || c == 'B') fields += 'm';
    else if (c == 'y' || c == 'Y') fields += 'y';
  }
  if (separator != 0 && fields.size() == 3) {
    if (fields == "mdy") l.order = DateLocale::Order::kMonthDayYear, l.hasDate = true;
    else if (fields == "dmy") l.order = DateLocale::Order::kDayMonthYear, l.hasDate = true;
    else if (fields == "ymd") l.order = DateLocale::Order::kYearMonthDay, l.hasDate = true;
    l.dateSeparator = separator;
  }
  size_t h = timeFormat.find("%H");
  size_t i12 = timeFormat.find("%I");
  size_t hour = h != std::string::npos ? h : i12;
  if (timeFormat == "%r") {
    l.hasTime = true, l.twelveHour = true, l.timeSeparator = ':';
  } else if (timeFormat.find("%T") != std::string::npos || timeFormat.find("%R") != std::string::npos) {
    l.hasTime = true, l.twelveHour = false, l.timeSeparator = ':';
  } else if (hour != std::string::npos && hour + 2 < timeFormat.size()) {
    l.hasTime = true;
    l.twelveHour = hour == i12;
    l.timeSeparator = timeFormat[hour + 2];
  }
  return l;
}

DateLocale CurrentDateLocale() {
  const char* d = nl_langinfo(D_FMT);
  const char* t = nl_langinfo(T_FMT);
  return DateLocaleFromFormats(d ? d : "", t ? t : "");
}

DateTime ParseDateText(const std::string& text, const DateLocale& locale) {
  DateTime out;
  if (!locale.hasDate) return out;
  size_t pos = 0;
  while (pos < text.size() && text[pos] == ' ') ++pos;
  int n[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (pos >= text.size() || text[pos] != locale.dateSeparator) return DateTime{};
      ++pos;
    }
    if (!ReadNumber(text, &pos, &n[i])) return DateTime{};
  }
  switch (locale.order) {
    case DateLocale::Order::kMonthDayYear: std::tie(out.month, out.day, out.year) = std::tie(n[0], n[1], n[2]); break;
    case DateLocale::Order::kDayMonthYear: std::tie(out.day, out.month, out.year) = std::tie(n[0], n[1], n[2]); break;
    case DateLocale::Order::kYearMonthDay: std::tie(out.year, out.month, out.day) = std::tie(n[0], n[1], n[2]); break;
  }
  if (out.year < 2000) out.year += 2000;
  if (!locale.hasTime) return out;

  while (pos < text.size() && text[pos] == ' ') ++pos;
  int hour = 0, minute = 0;
  if (!ReadNumber(text, &pos, &hour)) return out;
  if (pos >= text.size() || text[pos] != locale.timeSeparator) return out;
  ++pos;
  if (!ReadNumber(text, &pos, &minute)) return out;
  if (locale.twelveHour) {
    // Seconds may stand between the minute and the AM/PM mark.
    if (pos < text.size() && text[pos] == locale.timeSeparator) {
      int seconds = 0;
      ++pos;
      ReadNumber(text, &pos, &seconds);
    }
    while (pos < text.size() && text[pos] == ' ') ++pos;
    const char mark = pos < text.size() ? static_cast<char>(std::tolower(static_cast<unsigned char>(text[pos]))) : 0;
    // Twelve o'clock is the first hour of its half of the day: 12 AM is
    // midnight, 12 PM noon.
    if (mark == 'a' || mark == 'p') {
      if (hour == 12) hour = 0;
      if (mark == 'p') hour += 12;
    }
    if (hour == 24) hour = 0;
  }
  out.hour = hour;
  out.minute = minute;
  return out;
}

int CompareDateTexts(const std::string& a, const std::string& b, const DateLocale& locale) {
  const DateTime x = ParseDateText(a, locale);
  const DateTime y = ParseDateText(b, locale);
  const auto kx = std::tie(x.year, x.month, x.day, x.hour, x.minute);
  const auto ky = std::tie(y.year, y.month, y.day, y.hour, y.minute);
  if (kx < ky) return -1;
  if (ky < kx) return 1;
  return 0;
}

int CompareDateTexts(const std::string& a, const std::string& b) {
  return CompareDateTexts(a, b, CurrentDateLocale());
}

}  // namespace quillet
