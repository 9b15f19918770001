#include <cstdint>
#include <mutex>
#include <string>

#include "child_process.h"
#include "ui_core/wide_text.h"
#include "winapi.h"

namespace sys {

struct ChildProcess::Impl {
  PROCESS_INFORMATION process{};
  HANDLE streams[2] = {nullptr, nullptr};
  HANDLE stop = nullptr;  // inherited by this child alone, which watches it
  std::string error;
  int code = kNoExitCode;
  bool waited = false;
};

namespace {

// Held while a child's inheritable handles exist: each child inherits its own
// pipes and stop event and none of another's.
std::mutex gStarting;

std::wstring OwnExecutable() {
  std::wstring path(32768, L'\0');
  const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
  path.resize(length);
  return path;
}

// One argument as the C runtime splits a command line: quoted, with the
// backslashes before a quote doubled.
std::wstring CommandWord(const std::wstring& text) {
  if (!text.empty() && text.find_first_of(L" \t\"") == std::wstring::npos) return text;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : text) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, L'\\');
  return quoted + L"\"";
}

std::string LastErrorText(const char* what) {
  return std::string(what) + " failed (error " + std::to_string(GetLastError()) + ")";
}

// A pipe whose writing end the child inherits.
bool ChildPipe(HANDLE& read, HANDLE& write) {
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  return CreatePipe(&read, &write, &inherit, 0) && SetHandleInformation(read, HANDLE_FLAG_INHERIT, 0);
}

}  // namespace

ChildProcess::ChildProcess(const std::vector<std::string>& arguments) : impl_(std::make_unique<Impl>()) {
  const std::lock_guard starting(gStarting);
  HANDLE writes[2] = {nullptr, nullptr};
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE empty = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (!ChildPipe(impl_->streams[0], writes[0]) || !ChildPipe(impl_->streams[1], writes[1])) {
    impl_->error = LastErrorText("CreatePipe");
  } else {
    const std::wstring program = OwnExecutable();
    std::wstring command = CommandWord(program);
    for (const std::string& argument : arguments) command += L" " + CommandWord(ui::win32::Widen(argument));
    impl_->stop = CreateEventW(&inherit, TRUE, FALSE, nullptr);
    // Under gStarting the variable is this child's alone.
    SetEnvironmentVariableA(kChildStopVariable,
                            std::to_string(reinterpret_cast<std::uintptr_t>(impl_->stop)).c_str());
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = empty;
    startup.hStdOutput = writes[0];
    startup.hStdError = writes[1];
    if (!CreateProcessW(program.c_str(), command.data(), nullptr, nullptr, TRUE,
                        CREATE_NEW_PROCESS_GROUP | DETACHED_PROCESS, nullptr, nullptr, &startup,
                        &impl_->process)) {
      impl_->error = LastErrorText("CreateProcess");
      impl_->process = {};
    }
    SetEnvironmentVariableA(kChildStopVariable, nullptr);
    if (impl_->stop != nullptr) SetHandleInformation(impl_->stop, HANDLE_FLAG_INHERIT, 0);
  }
  for (HANDLE handle : {writes[0], writes[1], empty})
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
}

ChildProcess::~ChildProcess() {
  if (impl_->process.hProcess != nullptr) {
    Wait();
    CloseHandle(impl_->process.hProcess);
    CloseHandle(impl_->process.hThread);
  }
  for (HANDLE handle : {impl_->streams[0], impl_->streams[1], impl_->stop})
    if (handle != nullptr) CloseHandle(handle);
}

bool ChildProcess::Started() const { return impl_->process.hProcess != nullptr; }

const std::string& ChildProcess::Error() const { return impl_->error; }

std::size_t ChildProcess::Read(ChildStream stream, char* buffer, std::size_t size) {
  DWORD got = 0;
  HANDLE pipe = impl_->streams[stream == ChildStream::kOutput ? 0 : 1];
  return ReadFile(pipe, buffer, static_cast<DWORD>(size), &got, nullptr) ? got : 0;
}

void ChildProcess::Stop(int) {
  if (impl_->stop != nullptr && !impl_->waited) SetEvent(impl_->stop);
}

int ChildProcess::Wait() {
  if (impl_->process.hProcess == nullptr || impl_->waited) return impl_->code;
  impl_->waited = true;
  DWORD code = 0;
  if (WaitForSingleObject(impl_->process.hProcess, INFINITE) != WAIT_OBJECT_0 ||
      !GetExitCodeProcess(impl_->process.hProcess, &code))
    return impl_->code = kNoExitCode;
  impl_->code = static_cast<int>(code);
  return impl_->code;
}

// For cmd.exe and the C runtime: a quote inside is doubled, which keeps cmd's
// own count of quotes even, so & | < > stay quoted; backslashes before a quote
// or the closing one are doubled, as the runtime halves them there.
std::string QuoteArgument(const std::string& text) {
  if (!text.empty() && text.find_first_of(" \t\"&|<>^%") == std::string::npos) return text;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : text) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 : backslashes, '\\');
    backslashes = 0;
    quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

}  // namespace sys
