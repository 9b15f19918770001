// The Windows program builds its dialogs from res/orvex.rc, the other backends
// from the templates in res/dialogs.cpp: the two must not drift apart. Each
// template is written out as the script's statements would be, with numbers
// for the names of resource.h, and the script's lines must begin so.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <string>
#include <vector>

#include "res/resource.h"
#include "ui_core/resource_module.h"

namespace {

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The statement of `c` as far as the template says it (in the order of ui::ControlKind); its
// other styles follow in the script.
std::string Statement(const ui::ControlTemplate& c) {
  const auto kind = static_cast<int>(c.kind);
  const char* const keywords[] = {"PUSHBUTTON", "DEFPUSHBUTTON", "CONTROL", "COMBOBOX",
                                  "LISTBOX",    "LTEXT",         "ICON"};
  const bool texted = c.kind != ui::ControlKind::DropDownList && c.kind != ui::ControlKind::ListBox;
  return keywords[kind] +
         (" " + (texted ? (kind == 6 ? std::to_string(c.iconId) : Quoted(c.text)) + ", " : "")) +
         std::to_string(c.id) +
         (c.kind == ui::ControlKind::Progress ? ", \"msctls_progress32\", WS_BORDER" : "") + ", " +
         std::to_string(c.rect.x) + ", " + std::to_string(c.rect.y) + ", " + std::to_string(c.rect.cx) +
         ", " + std::to_string(c.rect.cy) +
         (c.kind == ui::ControlKind::DropDownList ? ", CBS_DROPDOWNLIST" : "");
}

TEST(RcDialogs, TheScriptAgreesWithTheTemplates) {
  // The script's lines, spaces collapsed, each name of resource.h (and IDOK, IDCANCEL) as its number.
  std::map<std::string, std::string> numbers = {{"IDOK", std::to_string(IDOK)},
                                                {"IDCANCEL", std::to_string(IDCANCEL)}};
  std::ifstream header(ORVEX_RESOURCE_H);
  for (std::string directive, name, value; header >> directive;)
    if (directive == "#define" && header >> name >> value)
      numbers[name] = std::to_string(std::strtol(value.c_str() + (value[0] == '(' ? 1 : 0), nullptr, 0));
  std::vector<std::string> lines;
  std::ifstream rc(ORVEX_RC_FILE);
  for (std::string line; std::getline(rc, line);) {
    line = std::regex_replace(std::regex_replace(line, std::regex("\\s+"), " "), std::regex("^ | $"), "");
    for (const auto& [name, number] : numbers)
      line = std::regex_replace(line, std::regex(std::string("\\b").append(name).append("\\b")), number);
    lines.push_back(line);
  }
  for (const UINT id : {IDD_ABOUTBOX, IDD_PROGRAMMER_DIALOG}) {
    const ui::DialogTemplate* tmpl = ui::FindDialogTemplate(id);
    ASSERT_NE(tmpl, nullptr);
    std::size_t at = 0;
    while (at < lines.size() && !lines[at].starts_with(std::to_string(id) + " DIALOG")) ++at;
    ASSERT_LT(at, lines.size()) << "no dialog " << id;
    EXPECT_TRUE(lines[at].ends_with(" 0, 0, " + std::to_string(tmpl->cx) + ", " + std::to_string(tmpl->cy)))
        << lines[at];
    std::string head;
    for (++at; at < lines.size() && lines[at] != "BEGIN"; ++at) head += lines[at] + "\n";
    EXPECT_NE(head.find("\nCAPTION " + Quoted(tmpl->caption) + "\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\nFONT " + std::to_string(tmpl->fontPoints) + ", " + Quoted(tmpl->fontFace)),
              std::string::npos)
        << head;
    std::size_t n = 0;
    for (++at; at < lines.size() && lines[at] != "END"; ++at, ++n) {
      ASSERT_LT(n, tmpl->controls.size()) << "more controls in the script: " << lines[at];
      const ui::ControlTemplate& c = tmpl->controls[n];
      EXPECT_TRUE(lines[at].starts_with(Statement(c))) << "control " << n << " in tab order:\n"
                                                       << lines[at] << "\n"
                                                       << Statement(c);
      const bool button = c.kind == ui::ControlKind::PushButton || c.kind == ui::ControlKind::DefPushButton;
      EXPECT_EQ(button || lines[at].find("WS_TABSTOP") != std::string::npos, c.tabStop) << lines[at];
    }
    EXPECT_EQ(n, tmpl->controls.size()) << "controls of dialog " << id;
  }
  const std::string about = std::to_string(IDS_ABOUTBOX) + " " + Quoted(ui::FindString(IDS_ABOUTBOX));
  EXPECT_NE(std::find(lines.begin(), lines.end(), about), lines.end()) << about;
}

}  // namespace
