// The event log's message table in ORVEX_DIALOG1.EXE, read as the Event Viewer
// reads it: from the program's own resources, each outcome's event id formats
// with the record's fields as its inserts, every field shown.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui_core/wide_text.h"
#include "winapi.h"

namespace {

TEST(EventMessages, EachOutcomesIdShowsEveryFieldOfTheRecord) {
  // The program's path as Windows names it (under Wine a build path is a path on Z:).
  std::wstring path = ui::win32::Widen(ORVEX_DIALOG1_EXE);
  for (wchar_t& c : path) c = c == L'/' ? L'\\' : c;
  HMODULE program = LoadLibraryExW((path.front() == L'\\' ? L"Z:" + path : path).c_str(), nullptr,
                                   LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr) << "cannot read " << ORVEX_DIALOG1_EXE;
  // One value per insert %1 to %21, in the record's order, each told apart from the others.
  const std::vector<std::wstring> inserts = {L"1",
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
  std::vector<DWORD_PTR> arguments;
  for (const std::wstring& insert : inserts) arguments.push_back(reinterpret_cast<DWORD_PTR>(insert.c_str()));
  for (const auto& [id, says] : {std::pair<DWORD, const wchar_t*>{1, L"The upgrade on COM2 is complete."},
                                 {2, L"no boot-loader prompt"},
                                 {3, L"did not accept the update command"},
                                 {4, L"could not be opened or configured"},
                                 {5, L"did not go out whole"},
                                 {6, L"left by the operator"},
                                 {7, L"was interrupted"},
                                 {8, L"the port died"},
                                 {99, L"The upgrade on COM2 ended: OUTCOME."}}) {
    wchar_t text[4096] = {};
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ARGUMENT_ARRAY, program,
                                        id, 0, text, 4096, reinterpret_cast<va_list*>(arguments.data()));
    const std::wstring message(text, length);
    EXPECT_NE(message.find(says), std::wstring::npos) << "event " << id << ": " << ui::win32::Narrow(message);
    for (std::size_t i = 0; i < inserts.size(); ++i)
      EXPECT_NE(message.find(inserts[i]), std::wstring::npos) << "event " << id << " lacks %" << i + 1;
  }
  FreeLibrary(program);
}

}  // namespace
