// The event log's message table in ORVEX_DIALOG1.EXE, read as the Event Viewer
// reads it: from the program's own resources, each outcome's event id formats
// with the record's fields as its inserts, every field shown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui_core/wide_text.h"
#include "winapi.h"

namespace {

// The program's path as Windows names it (under Wine a build path is a path on Z:).
std::wstring ProgramPath() {
  std::wstring path = ui::win32::Widen(ORVEX_DIALOG1_EXE);
  for (wchar_t& c : path)
    if (c == L'/') c = L'\\';
  return path.front() == L'\\' ? L"Z:" + path : path;
}

// One value per insert %1 to %21, in the record's order, each told apart from the others.
const std::vector<std::wstring> kInserts = {L"1",
                                            L"2026-12-07T07:44:01Z",
                                            L"COM2",
                                            L"\\Device\\Serial1",
                                            L"2281784",
                                            std::wstring(64, L'c'),
                                            L"OUTCOME",
                                            L"Upgrade complete!",
                                            L"17.540",
                                            L"228600",
                                            L"1.0.0.1",
                                            L"bench-pc-4",
                                            L"2026-12-07T07:44:18.709Z",
                                            L"EXIT",
                                            L"101",
                                            L"77",
                                            L"bench 4",
                                            L"SN 0042",
                                            L"0403",
                                            L"6001",
                                            L"A5XK3RJT"};

std::wstring Format(HMODULE program, DWORD id) {
  std::vector<DWORD_PTR> arguments;
  for (const std::wstring& insert : kInserts)
    arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
  wchar_t text[4096] = {};
  const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program,
                                      id, 0, text, 4096, reinterpret_cast<va_list*>(arguments.data()));
  return std::wstring(text, length);
}

TEST(EventMessages, EachOutcomesIdShowsEveryFieldOfTheRecord) {
  HMODULE program = LoadLibraryExW(ProgramPath().c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr) << "cannot read " << ORVEX_DIALOG1_EXE;
  const struct {
    DWORD id;
    const wchar_t* says;
  } rows[] = {
      {1, L"The upgrade on COM2 is complete."},
      {2, L"no boot-loader prompt"},
      {3, L"did not accept the update command"},
      {4, L"could not be opened or configured"},
      {5, L"did not go out whole"},
      {6, L"left by the operator"},
      {7, L"was interrupted"},
      {8, L"the port died"},
      {99, L"The upgrade on COM2 ended: OUTCOME."},
  };
  for (const auto& row : rows) {
    const std::wstring text = Format(program, row.id);
    EXPECT_NE(text.find(row.says), std::wstring::npos)
        << "event " << row.id << ": " << ui::win32::Narrow(text);
    for (std::size_t i = 0; i < kInserts.size(); ++i)
      EXPECT_NE(text.find(kInserts[i]), std::wstring::npos) << "event " << row.id << " lacks %" << i + 1;
  }
  FreeLibrary(program);
}

}  // namespace
