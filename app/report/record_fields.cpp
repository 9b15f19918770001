#include "record_fields.h"

#include <algorithm>
#include <charconv>

#include "json_string.h"

namespace report {
namespace {

// Nesting deeper than any record holds is refused rather than followed.
constexpr int kDeepest = 16;

// Reads JSON text left to right; every step is false on text it cannot take.
class JsonCursor {
 public:
  explicit JsonCursor(std::string_view text) : text_(text) {}

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
  char Next() {
    SkipSpace();
    return at_ < text_.size() ? text_[at_] : '\0';
  }

  // The members of an object, each handed to `member(key, *this)` to read its value.
  template <typename Member>
  bool Members(Member&& member) {
    if (!Take('{')) return false;
    if (Take('}')) return true;
    std::string key;
    do {
      key.clear();
      if (!String(key) || !Take(':') || !member(std::string_view(key), *this)) return false;
    } while (Take(','));
    return Take('}');
  }

  bool String(std::string& out) {
    if (!Take('"')) return false;
    while (at_ < text_.size()) {
      const std::size_t quote = text_.find('"', at_);
      if (quote == std::string_view::npos) return false;
      const std::size_t backslash = text_.substr(0, quote).find('\\', at_);
      const std::size_t stop = std::min(quote, backslash);
      out.append(text_.substr(at_, stop - at_));
      at_ = stop + 1;
      if (stop == quote) return true;
      if (!Escape(out)) return false;
    }
    return false;
  }

  bool Number(double& out) {
    SkipSpace();
    const char* first = text_.data() + at_;
    const auto [end, error] = std::from_chars(first, text_.data() + text_.size(), out);
    if (error != std::errc{}) return false;
    at_ += static_cast<std::size_t>(end - first);
    return true;
  }

  // Any value, read and dropped.
  bool Skip(int depth = 0) {
    if (depth > kDeepest) return false;
    std::string ignored;
    double number = 0;
    switch (Next()) {
      case '"':
        return String(ignored);
      case '{':
        return Members([depth](std::string_view, JsonCursor& in) { return in.Skip(depth + 1); });
      case '[':
        return Elements(depth);
      case 't':
        return Word("true");
      case 'f':
        return Word("false");
      case 'n':
        return Word("null");
      default:
        return Number(number);
    }
  }

 private:
  void SkipSpace() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
      ++at_;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }
  bool Elements(int depth) {
    Take('[');
    if (Take(']')) return true;
    do {
      if (!Skip(depth + 1)) return false;
    } while (Take(','));
    return Take(']');
  }
  bool Escape(std::string& out) { return TakeJsonEscape(text_, at_, out); }

  std::string_view text_;
  std::size_t at_ = 0;
};

enum Required : unsigned { kStarted = 1, kPort = 2, kOutcome = 4, kSeconds = 8, kAll = 15 };

bool ReadAdapter(JsonCursor& in, RecordFields& fields) {
  if (in.Next() != '{') return in.Skip();
  return in.Members([&fields](std::string_view key, JsonCursor& adapter) {
    return key == "serial" ? adapter.String(fields.adapterSerial) : adapter.Skip();
  });
}

bool ReadMember(std::string_view key, JsonCursor& in, RecordFields& fields, unsigned& seen) {
  const auto field = [&in, &seen](std::string& out, unsigned bit) {
    seen |= bit;
    out.clear();
    return in.String(out);
  };
  if (key == "started") return field(fields.started, kStarted);
  if (key == "port") return field(fields.port, kPort);
  if (key == "outcome") return field(fields.outcome, kOutcome);
  if (key == "station") return field(fields.station, 0);
  if (key == "unit") return field(fields.unit, 0);
  if (key == "adapter") return ReadAdapter(in, fields);
  if (key == "seconds") {
    seen |= kSeconds;
    return in.Number(fields.seconds);
  }
  return in.Skip();
}

}  // namespace

bool ReadRecordFields(std::string_view line, RecordFields& fields) {
  fields = RecordFields{};
  unsigned seen = 0;
  JsonCursor in(line);
  const bool read = in.Members(
      [&](std::string_view key, JsonCursor& value) { return ReadMember(key, value, fields, seen); });
  return read && in.AtEnd() && seen == kAll;
}

}  // namespace report
