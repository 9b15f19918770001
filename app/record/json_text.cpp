#include "json_text.h"

#include <chrono>
#include <cstdio>

#include "json_string.h"

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

// Reads JSON text left to right; every step is false on text it cannot take.
class FlatReader {
 public:
  explicit FlatReader(std::string_view text) : text_(text) {}

  bool Take(char c) {
    SkipSpace();
    if (at_ >= text_.size() || text_[at_] != c) return false;
    ++at_;
    return true;
  }
  bool AtEnd() {
    SkipSpace();
    return at_ == text_.size();
  }
  bool String(std::string& out) {
    if (!Take('"')) return false;
    while (at_ < text_.size() && text_[at_] != '"') {
      const char c = text_[at_++];
      if (c != '\\') {
        out += c;
      } else if (!Escape(out)) {
        return false;
      }
    }
    return Take('"');
  }
  // A number or a literal: everything up to the next separator.
  bool Plain(std::string& out) {
    SkipSpace();
    while (at_ < text_.size() && std::string_view(",} \t\r\n").find(text_[at_]) == std::string_view::npos) {
      if (text_[at_] == '{' || text_[at_] == '[' || text_[at_] == '"') return false;
      out += text_[at_++];
    }
    return !out.empty();
  }
  bool Value(std::string& out) {
    SkipSpace();
    return at_ < text_.size() && text_[at_] == '"' ? String(out) : Plain(out);
  }

 private:
  void SkipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
      ++at_;
  }
  bool Escape(std::string& out) { return TakeJsonEscape(text_, at_, out); }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::map<std::string, std::string> ReadFlatJson(std::string_view text) {
  FlatReader reader(text);
  std::map<std::string, std::string> fields;
  if (!reader.Take('{')) return {};
  if (reader.Take('}')) return reader.AtEnd() ? fields : std::map<std::string, std::string>{};
  do {
    std::string key;
    std::string value;
    if (!reader.String(key) || !reader.Take(':') || !reader.Value(value)) return {};
    fields[key] = value;
  } while (reader.Take(','));
  if (!reader.Take('}') || !reader.AtEnd()) return {};
  return fields;
}

std::string UtcNow() { return UtcText(std::chrono::system_clock::now(), false); }

std::string UtcNowMilliseconds() { return UtcText(std::chrono::system_clock::now(), true); }
