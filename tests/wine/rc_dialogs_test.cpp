// The Windows program builds its dialogs from res/orvex.rc, the other backends
// from the templates in res/dialogs.cpp: the two must not drift apart.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "res/resource.h"
#include "ui_core/resource_module.h"

namespace {

using Tokens = std::vector<std::string>;  // a string literal keeps its quotes

std::string ReadText(const char* path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

Tokens Tokenize(const std::string& line) {
  Tokens tokens;
  for (size_t i = 0; i < line.size();) {
    const char c = line[i];
    if (c == ' ' || c == '\t' || c == '\r') {
      ++i;
    } else if (c == '/' && i + 1 < line.size() && line[i + 1] == '/') {
      break;
    } else if (c == '"') {
      std::string literal = "\"";
      for (++i; i < line.size(); ++i) {
        if (line[i] == '"' && i + 1 < line.size() && line[i + 1] == '"') {
          literal += '"';
          ++i;
        } else if (line[i] == '"') {
          break;
        } else {
          literal += line[i];
        }
      }
      ++i;
      tokens.push_back(literal);
    } else if (c == ',' || c == '|' || c == '(' || c == ')') {
      tokens.emplace_back(1, c);
      ++i;
    } else {
      const size_t end = line.find_first_of(" \t\r,|()\"", i);
      tokens.push_back(line.substr(i, end - i));
      i = end == std::string::npos ? line.size() : end;
    }
  }
  return tokens;
}

// The Arguments of a statement: its tokens split at the commas.
std::vector<Tokens> Arguments(const Tokens& tokens, size_t first) {
  std::vector<Tokens> args(1);
  for (size_t i = first; i < tokens.size(); ++i) {
    if (tokens[i] == ",") {
      args.emplace_back();
    } else {
      args.back().push_back(tokens[i]);
    }
  }
  return args;
}

bool IsString(const Tokens& arg) { return arg.size() == 1 && arg[0].starts_with('"'); }
std::string StringValue(const Tokens& arg) { return IsString(arg) ? arg[0].substr(1) : "<not a string>"; }

bool HasFlag(const Tokens& arg, const std::string& flag) {
  for (const auto& t : arg) {
    if (t == flag) return true;
  }
  return false;
}

class RcFile {
 public:
  RcFile() {
    std::istringstream header(ReadText(ORVEX_RESOURCE_H));
    for (std::string line; std::getline(header, line);) {
      std::istringstream words(line);
      std::string directive, name, value;
      if (words >> directive >> name >> value && directive == "#define") defines_[name] = value;
    }
    defines_["IDOK"] = std::to_string(IDOK);
    defines_["IDCANCEL"] = std::to_string(IDCANCEL);
    std::istringstream rc(ReadText(ORVEX_RC_FILE));
    for (std::string line; std::getline(rc, line);) {
      if (!line.starts_with('#')) lines_.push_back(Tokenize(line));
    }
  }

  // A number, a name from resource.h, or either in parentheses with a sign.
  int Value(const Tokens& arg) const {
    std::string joined;
    for (const auto& t : arg) joined += t;
    if (const auto it = defines_.find(joined); it != defines_.end()) return Value(Tokenize(it->second));
    std::string digits;
    for (const char c : joined) {
      if (c != '(' && c != ')') digits += c;
    }
    char* end = nullptr;
    const long number = std::strtol(digits.c_str(), &end, 0);
    if (digits.empty() || *end != '\0') ADD_FAILURE() << "not a number: " << joined;
    return static_cast<int>(number);
  }

  // The dialog's statements from its header line to its END, or empty.
  std::vector<Tokens> Dialog(int id) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
      const Tokens& l = lines_[i];
      if (l.size() < 2 || (l[1] != "DIALOG" && l[1] != "DIALOGEX") || Value({l[0]}) != id) continue;
      std::vector<Tokens> block{l};
      for (++i; i < lines_.size() && !(lines_[i].size() == 1 && lines_[i][0] == "END"); ++i) {
        if (!lines_[i].empty()) block.push_back(lines_[i]);
      }
      return block;
    }
    return {};
  }

  std::string StringTableEntry(int id) const {
    bool inTable = false;
    for (const auto& l : lines_) {
      if (l.size() == 1 && l[0] == "STRINGTABLE") inTable = true;
      if (inTable && l.size() == 1 && l[0] == "END") inTable = false;
      if (inTable && l.size() == 2 && l[1].starts_with('"') && Value({l[0]}) == id) return l[1].substr(1);
    }
    return "<no entry>";
  }

 private:
  std::map<std::string, std::string> defines_;
  std::vector<Tokens> lines_;
};

// One control statement of the script in the templates' terms.
ui::ControlTemplate ParseControl(const RcFile& rc, const Tokens& statement) {
  const std::string& keyword = statement[0];
  const auto args = Arguments(statement, 1);
  ui::ControlTemplate c;
  auto place = [&](size_t at) {
    c.rect = {rc.Value(args.at(at)), rc.Value(args.at(at + 1)), rc.Value(args.at(at + 2)),
              rc.Value(args.at(at + 3))};
  };
  const Tokens none;
  const Tokens& style = [&]() -> const Tokens& {
    if (keyword == "CONTROL") return args.at(3);
    const size_t at = keyword == "COMBOBOX" || keyword == "LISTBOX" ? 5 : 6;
    return args.size() > at ? args[at] : none;
  }();
  if (keyword == "PUSHBUTTON" || keyword == "DEFPUSHBUTTON" || keyword == "LTEXT") {
    c.kind = keyword == "LTEXT"        ? ui::ControlKind::Static
             : keyword == "PUSHBUTTON" ? ui::ControlKind::PushButton
                                       : ui::ControlKind::DefPushButton;
    c.text = StringValue(args.at(0));
    c.id = rc.Value(args.at(1));
    place(2);
  } else if (keyword == "ICON") {
    c.kind = ui::ControlKind::Icon;
    c.iconId = rc.Value(args.at(0));
    c.id = rc.Value(args.at(1));
    place(2);
  } else if (keyword == "COMBOBOX" || keyword == "LISTBOX") {
    c.kind = keyword == "LISTBOX" ? ui::ControlKind::ListBox : ui::ControlKind::DropDownList;
    if (keyword == "COMBOBOX") {
      EXPECT_TRUE(HasFlag(style, "CBS_DROPDOWNLIST")) << "the port list takes no typing";
    }
    c.id = rc.Value(args.at(0));
    place(1);
  } else if (keyword == "CONTROL") {
    EXPECT_EQ(StringValue(args.at(2)), "msctls_progress32");
    c.kind = ui::ControlKind::Progress;
    c.text = StringValue(args.at(0));
    c.id = rc.Value(args.at(1));
    place(4);
  } else {
    ADD_FAILURE() << "unexpected control statement " << keyword;
  }
  c.tabStop = keyword == "PUSHBUTTON" || keyword == "DEFPUSHBUTTON" || HasFlag(style, "WS_TABSTOP");
  return c;
}

void ExpectSame(const ui::ControlTemplate& fromRc, const ui::ControlTemplate& fromCpp) {
  EXPECT_EQ(fromRc.id, fromCpp.id);
  EXPECT_EQ(fromRc.kind, fromCpp.kind);
  EXPECT_EQ(fromRc.text, fromCpp.text);
  EXPECT_EQ(fromRc.rect.x, fromCpp.rect.x);
  EXPECT_EQ(fromRc.rect.y, fromCpp.rect.y);
  EXPECT_EQ(fromRc.rect.cx, fromCpp.rect.cx);
  EXPECT_EQ(fromRc.rect.cy, fromCpp.rect.cy);
  EXPECT_EQ(fromRc.tabStop, fromCpp.tabStop);
  EXPECT_EQ(fromRc.iconId, fromCpp.iconId);
}

class RcDialogTest : public testing::TestWithParam<int> {};

TEST_P(RcDialogTest, ScriptAgreesWithTemplate) {
  const RcFile rc;
  const auto block = rc.Dialog(GetParam());
  ASSERT_FALSE(block.empty()) << "no dialog " << GetParam() << " in " << ORVEX_RC_FILE;
  const ui::DialogTemplate* tmpl = ui::FindDialogTemplate(GetParam());
  ASSERT_NE(tmpl, nullptr);

  const auto size = Arguments(block[0], 2);
  ASSERT_EQ(size.size(), 4U);
  EXPECT_EQ(rc.Value(size[2]), tmpl->cx);
  EXPECT_EQ(rc.Value(size[3]), tmpl->cy);

  size_t i = 1;
  for (; i < block.size() && block[i][0] != "BEGIN"; ++i) {
    const auto args = Arguments(block[i], 1);
    if (block[i][0] == "CAPTION") {
      EXPECT_EQ(StringValue(args.at(0)), tmpl->caption);
    }
    if (block[i][0] == "FONT") {
      EXPECT_EQ(rc.Value(args.at(0)), tmpl->fontPoints);
      EXPECT_EQ(StringValue(args.at(1)), tmpl->fontFace);
    }
  }
  std::vector<ui::ControlTemplate> controls;
  for (++i; i < block.size(); ++i) controls.push_back(ParseControl(rc, block[i]));
  ASSERT_EQ(controls.size(), tmpl->controls.size()) << "controls of dialog " << GetParam();
  for (size_t n = 0; n < controls.size(); ++n) {
    SCOPED_TRACE("control " + std::to_string(n) + " in tab order");
    ExpectSame(controls[n], tmpl->controls[n]);
  }
}

INSTANTIATE_TEST_SUITE_P(Dialogs, RcDialogTest, testing::Values(IDD_ABOUTBOX, IDD_PROGRAMMER_DIALOG));

TEST(RcStringTable, AgreesWithStrings) {
  EXPECT_EQ(RcFile().StringTableEntry(IDS_ABOUTBOX), ui::FindString(IDS_ABOUTBOX));
}

}  // namespace
