#include "json_cursor.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "json_string.h"

namespace {
constexpr int kDeepest = 16;
}  // namespace

bool JsonCursor::Take(char c) {
  SkipSpace();
  if (at_ >= text_.size() || text_[at_] != c) return false;
  ++at_;
  return true;
}

bool JsonCursor::AtEnd() {
  SkipSpace();
  return at_ == text_.size();
}

char JsonCursor::Next() {
  SkipSpace();
  return at_ < text_.size() ? text_[at_] : '\0';
}

bool JsonCursor::String(std::string& out) {
  if (!Take('"')) return false;
  while (at_ < text_.size()) {
    const std::size_t quote = text_.find('"', at_);
    if (quote == std::string_view::npos) return false;
    const std::size_t backslash = text_.substr(0, quote).find('\\', at_);
    const std::size_t stop = std::min(quote, backslash);
    out.append(text_.substr(at_, stop - at_));
    at_ = stop + 1;
    if (stop == quote) return true;
    if (!TakeJsonEscape(text_, at_, out)) return false;
  }
  return false;
}

bool JsonCursor::Number(double& out) {
  SkipSpace();
  const char* first = text_.data() + at_;
  // from_chars also takes "nan" and "inf", which JSON has no form for.
  const auto [end, error] = std::from_chars(first, text_.data() + text_.size(), out);
  if (error != std::errc{} || !std::isfinite(out)) return false;
  at_ += static_cast<std::size_t>(end - first);
  return true;
}

bool JsonCursor::Plain(std::string& out) {
  SkipSpace();
  while (at_ < text_.size() && std::string_view(",}] \t\r\n").find(text_[at_]) == std::string_view::npos) {
    if (text_[at_] == '{' || text_[at_] == '[' || text_[at_] == '"') return false;
    out += text_[at_++];
  }
  return !out.empty();
}

bool JsonCursor::Skip(int depth) {
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

void JsonCursor::SkipSpace() {
  while (at_ < text_.size() &&
         (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
    ++at_;
}

bool JsonCursor::Word(std::string_view word) {
  if (text_.substr(at_, word.size()) != word) return false;
  at_ += word.size();
  return true;
}

bool JsonCursor::Elements(int depth) {
  Take('[');
  if (Take(']')) return true;
  do {
    if (!Skip(depth + 1)) return false;
  } while (Take(','));
  return Take(']');
}
