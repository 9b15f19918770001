#include "json_text.h"

#include <chrono>
#include <cstdio>

#include "json_cursor.h"

namespace {

template <typename Duration>
std::string UtcText(std::chrono::sys_time<Duration> now, bool milliseconds) {
  using namespace std::chrono;
  const auto day = floor<days>(now);
  const year_month_day date{day};
  const hh_mm_ss time{floor<std::chrono::milliseconds>(now - day)};
  char text[40];
  const int length =
      std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d", static_cast<int>(date.year()),
                    static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                    static_cast<int>(time.hours().count()), static_cast<int>(time.minutes().count()),
                    static_cast<int>(time.seconds().count()));
  if (milliseconds && length > 0)
    std::snprintf(text + length, sizeof text - static_cast<std::size_t>(length), ".%03d",
                  static_cast<int>(time.subseconds().count()));
  return std::string(text) + "Z";
}

}  // namespace

std::map<std::string, std::string> ReadFlatJson(std::string_view text) {
  JsonCursor in(text);
  std::map<std::string, std::string> fields;
  const bool read = in.Members([&fields](std::string_view key, JsonCursor& value) {
    std::string& out = fields[std::string(key)];
    out.clear();
    return value.Next() == '"' ? value.String(out) : value.Plain(out);
  });
  if (!read || !in.AtEnd()) return {};
  return fields;
}

std::string UtcNow() { return UtcText(std::chrono::system_clock::now(), false); }

std::string UtcNowMilliseconds() { return UtcText(std::chrono::system_clock::now(), true); }
