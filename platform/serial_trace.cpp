#include "serial_trace.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iterator>
#include <mutex>

#include "named_file.h"
#include "utf8_text.h"

namespace serial_trace {

std::atomic<bool> gOn{false};

namespace {

using Clock = std::chrono::steady_clock;

// Longer lines are cut: a read is at most 100 bytes, shown twice.
constexpr std::size_t kLineMax = 1024;
constexpr DWORD kWriteShownBytes = 32;
constexpr DWORD kChunkEndBytes = 8;

std::mutex gMutex;
std::FILE* gFile = nullptr;
std::string gPath;
TraceComplaint gComplain = nullptr;
bool gComplained = false;
constexpr std::size_t kTimeColumn = 32;
// The buffer holds a whole line, so each line goes out in one write at its flush.
char gFileBuffer[kLineMax + kTimeColumn];
Clock::time_point gZero;
const BYTE* gImage = nullptr;
DWORD gImageSize = 0;
bool gModemSeen = false;
BOOL gModemOk = FALSE;
DWORD gModemValue = 0;

// Restores the caller's last error, which the failure paths read after tracing.
class KeepLastError {
 public:
  KeepLastError() : error_(GetLastError()) {}
  ~KeepLastError() { SetLastError(error_); }
  KeepLastError(const KeepLastError&) = delete;
  KeepLastError& operator=(const KeepLastError&) = delete;
  DWORD Error() const { return error_; }

 private:
  DWORD error_;
};

class Line {
 public:
  void Add(const char* format, ...) __attribute__((format(printf, 2, 3))) {
    std::va_list args;
    va_start(args, format);
    const int n = std::vsnprintf(text_ + length_, kLineMax - length_, format, args);
    va_end(args);
    if (n > 0) length_ = std::min(kLineMax - 1, length_ + static_cast<std::size_t>(n));
  }
  void Hex(const unsigned char* bytes, DWORD count) {
    for (DWORD i = 0; i < count; ++i) Add(i == 0 ? "%02X" : " %02X", bytes[i]);
  }
  // The bytes as C text in quotes.
  void Text(const unsigned char* bytes, DWORD count) {
    Add("\"");
    for (DWORD i = 0; i < count; ++i) {
      const unsigned char c = bytes[i];
      if (c == '\r') {
        Add("\\r");
      } else if (c == '\n') {
        Add("\\n");
      } else if (c == '"' || c == '\\') {
        Add("\\%c", c);
      } else if (c >= 0x20 && c < 0x7F) {
        Add("%c", c);
      } else {
        Add("\\x%02X", c);
      }
    }
    Add("\"");
  }
  void Result(BOOL ok, DWORD error) {
    if (ok) {
      Add(" -> ok");
    } else {
      Add(" -> ");
      Error(error);
    }
  }
  void Error(DWORD error);
  const char* Text() const { return text_; }
  std::size_t Length() const { return length_; }

 private:
  char text_[kLineMax] = {};
  std::size_t length_ = 0;
};

const char* ErrorName(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
      return "ERROR_FILE_NOT_FOUND";
    case ERROR_ACCESS_DENIED:
      return "ERROR_ACCESS_DENIED";
    case ERROR_INVALID_HANDLE:
      return "ERROR_INVALID_HANDLE";
    case ERROR_GEN_FAILURE:
      return "ERROR_GEN_FAILURE";
    case ERROR_NOT_SUPPORTED:
      return "ERROR_NOT_SUPPORTED";
    case ERROR_INVALID_PARAMETER:
      return "ERROR_INVALID_PARAMETER";
    case ERROR_OPERATION_ABORTED:
      return "ERROR_OPERATION_ABORTED";
    case ERROR_DEVICE_NOT_CONNECTED:
      return "ERROR_DEVICE_NOT_CONNECTED";
    case ERROR_TIMEOUT:
      return "ERROR_TIMEOUT";
    default:
      return nullptr;
  }
}

void Line::Error(DWORD error) {
  Add("error %lu", static_cast<unsigned long>(error));
  if (const char* name = ErrorName(error)) Add(" (%s)", name);
}

// Stops tracing after its file failed; the caller holds gMutex.
void GiveUp(const char* what, int errorNumber) {
  gOn.store(false, std::memory_order_relaxed);
  if (gFile != nullptr) std::fclose(gFile);
  gFile = nullptr;
  if (gComplained || gComplain == nullptr) return;
  gComplained = true;
  gComplain("cannot write the trace " + gPath + " (" + what + ": " + std::strerror(errorNumber) +
            "); the upgrade goes on without it");
}

bool Put(const char* text, std::size_t length) {
  errno = 0;
  if (std::fwrite(text, 1, length, gFile) == length && std::fflush(gFile) == 0) return true;
  GiveUp("writing", errno != 0 ? errno : EIO);
  return false;
}

void Emit(const Line& body) {
  std::lock_guard lock(gMutex);
  if (gFile == nullptr) return;
  // Timed under the lock, so the time column never goes back.
  const double ms = std::chrono::duration<double, std::milli>(Clock::now() - gZero).count();
  char line[kLineMax + kTimeColumn];
  const int time = std::snprintf(line, kTimeColumn, "%11.3f ", ms);
  const std::size_t at = time > 0 ? std::min(kTimeColumn - 1, static_cast<std::size_t>(time)) : 0;
  std::memcpy(line + at, body.Text(), body.Length());
  line[at + body.Length()] = '\n';
  Put(line, at + body.Length() + 1);
}

const char* ParityName(BYTE parity) {
  static constexpr const char* kNames[] = {"none", "odd", "even", "mark", "space"};
  return parity < std::size(kNames) ? kNames[parity] : "unknown";
}

const char* StopBitsName(BYTE stopBits) {
  static constexpr const char* kNames[] = {"1", "1.5", "2"};
  return stopBits < std::size(kNames) ? kNames[stopBits] : "unknown";
}

void Outcome(Line& line, DWORD wanted, DWORD written, DWORD error) {
  if (error == ERROR_SUCCESS && written == wanted) {
    line.Add(" -> ok");
  } else if (error == ERROR_SUCCESS) {
    line.Add(" -> write timed out: %lu of %lu bytes went out", static_cast<unsigned long>(written),
             static_cast<unsigned long>(wanted));
  } else {
    line.Add(" -> %lu of %lu bytes, ", static_cast<unsigned long>(written),
             static_cast<unsigned long>(wanted));
    line.Error(error);
  }
}

}  // namespace

void PortOpened(const char* device, BOOL ok) {
  const KeepLastError keep;
  {
    std::lock_guard lock(gMutex);
    gZero = Clock::now();
    gModemSeen = false;
  }
  Line line;
  // A device path from a link in the ports folder is bytes; the trace stays UTF-8.
  line.Add("open %s", ValidUtf8(device).c_str());
  line.Result(ok, keep.Error());
  Emit(line);
}

void Timeouts(const COMMTIMEOUTS& t, BOOL ok) {
  const KeepLastError keep;
  Line line;
  line.Add("set timeouts: read interval %lu, read %lu x n + %lu, write %lu x n + %lu ms",
           static_cast<unsigned long>(t.ReadIntervalTimeout),
           static_cast<unsigned long>(t.ReadTotalTimeoutMultiplier),
           static_cast<unsigned long>(t.ReadTotalTimeoutConstant),
           static_cast<unsigned long>(t.WriteTotalTimeoutMultiplier),
           static_cast<unsigned long>(t.WriteTotalTimeoutConstant));
  line.Result(ok, keep.Error());
  Emit(line);
}

void CommState(const char* step, const DCB& dcb, BOOL ok) {
  const KeepLastError keep;
  Line line;
  line.Add("%s", step);
  if (ok) {
    line.Add(": %lu baud, %u data bits, parity %s, stop bits %s", static_cast<unsigned long>(dcb.BaudRate),
             static_cast<unsigned>(dcb.ByteSize), ParityName(dcb.Parity), StopBitsName(dcb.StopBits));
  }
  line.Result(ok, keep.Error());
  Emit(line);
}

void Queues(DWORD inBytes, DWORD outBytes, BOOL ok) {
  const KeepLastError keep;
  Line line;
  line.Add("set queues: in %lu, out %lu bytes", static_cast<unsigned long>(inBytes),
           static_cast<unsigned long>(outBytes));
  line.Result(ok, keep.Error());
  Emit(line);
}

void Dtr(BOOL ok) {
  const KeepLastError keep;
  Line line;
  line.Add("raise DTR");
  line.Result(ok, keep.Error());
  Emit(line);
}

void ModemLines(DWORD status, BOOL ok) {
  const KeepLastError keep;
  const DWORD value = ok ? status : keep.Error();
  {
    std::lock_guard lock(gMutex);
    if (gModemSeen && gModemOk == ok && gModemValue == value) return;
    gModemSeen = true;
    gModemOk = ok;
    gModemValue = value;
  }
  Line line;
  if (ok) {
    line.Add("modem lines: CTS %s, DSR %s, RING %s, DCD %s", (status & MS_CTS_ON) ? "on" : "off",
             (status & MS_DSR_ON) ? "on" : "off", (status & MS_RING_ON) ? "on" : "off",
             (status & MS_RLSD_ON) ? "on" : "off");
  } else {
    line.Add("modem lines: ");
    line.Error(value);
  }
  Emit(line);
}

void LineErrors(DWORD errors) {
  const KeepLastError keep;
  Line line;
  line.Add("line errors 0x%lX:", static_cast<unsigned long>(errors));
  if (errors & CE_RXOVER) line.Add(" receive queue overflow");
  if (errors & CE_OVERRUN) line.Add(" overrun");
  if (errors & CE_RXPARITY) line.Add(" parity");
  if (errors & CE_FRAME) line.Add(" framing");
  if (errors & CE_BREAK) line.Add(" break");
  Emit(line);
}

void Image(const BYTE* bytes, DWORD size) {
  const KeepLastError keep;
  {
    std::lock_guard lock(gMutex);
    gImage = bytes;
    gImageSize = size;
  }
  Line line;
  line.Add("image %lu bytes", static_cast<unsigned long>(size));
  Emit(line);
}

void Write(const void* bytes, DWORD wanted, DWORD written, DWORD error) {
  const KeepLastError keep;
  const auto* data = static_cast<const unsigned char*>(bytes);
  bool chunk = false;
  DWORD offset = 0;
  {
    std::lock_guard lock(gMutex);
    // Compared as addresses: the image is one array, the boot-loader texts are not in it.
    const auto at = reinterpret_cast<std::uintptr_t>(data);
    const auto image = reinterpret_cast<std::uintptr_t>(gImage);
    chunk = gImage != nullptr && at >= image && at - image < gImageSize;
    if (chunk) offset = static_cast<DWORD>(at - image);
  }
  Line line;
  if (chunk) {
    line.Add("chunk at %lu, %lu bytes: ", static_cast<unsigned long>(offset),
             static_cast<unsigned long>(wanted));
    if (wanted <= 2 * kChunkEndBytes) {
      line.Hex(data, wanted);
    } else {
      line.Hex(data, kChunkEndBytes);
      line.Add(" .. ");
      line.Hex(data + wanted - kChunkEndBytes, kChunkEndBytes);
    }
  } else {
    const DWORD shown = std::min(wanted, kWriteShownBytes);
    line.Add("write %lu byte%s: ", static_cast<unsigned long>(wanted), wanted == 1 ? "" : "s");
    line.Hex(data, shown);
    line.Add(" ");
    line.Text(data, shown);
    if (shown < wanted) line.Add(" ..");
  }
  Outcome(line, wanted, written, error);
  Emit(line);
}

void Read(const unsigned char* bytes, DWORD count) {
  const KeepLastError keep;
  Line line;
  line.Add("read %lu byte%s: ", static_cast<unsigned long>(count), count == 1 ? "" : "s");
  line.Hex(bytes, count);
  line.Add(" ");
  line.Text(bytes, count);
  Emit(line);
}

void GaveUp(const char* step, int attempts) {
  const KeepLastError keep;
  Line line;
  line.Add("%s timed out: no reply after %d attempts", step, attempts);
  Emit(line);
}

void MessageBoxText(const char* text) {
  const KeepLastError keep;
  Line line;
  line.Add("box ");
  line.Text(reinterpret_cast<const unsigned char*>(text), static_cast<DWORD>(std::strlen(text)));
  Emit(line);
}

void PortClosed() {
  const KeepLastError keep;
  Line line;
  line.Add("close");
  Emit(line);
}

}  // namespace serial_trace

bool StartSerialTrace(const std::string& path, TraceComplaint complain) {
  using namespace serial_trace;
  StopSerialTrace();
  std::lock_guard lock(gMutex);
  gPath = path;
  gComplain = complain;
  gComplained = false;
  gImage = nullptr;
  gImageSize = 0;
  gModemSeen = false;
  gZero = Clock::now();
  errno = 0;
  gFile = OpenNamedFile(path, "wb");
  if (gFile == nullptr) {
    GiveUp("opening", errno != 0 ? errno : EIO);
    return false;
  }
  std::setvbuf(gFile, gFileBuffer, _IOFBF, sizeof gFileBuffer);
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  char when[32] = "unknown";
  if (const std::tm* utc = std::gmtime(&seconds)) std::strftime(when, sizeof when, "%Y-%m-%dT%H:%M:%S", utc);
  Line header;
  header.Add("serial trace started %s.%03dZ (UTC); milliseconds since the port opened\n", when,
             static_cast<int>(ms));
  if (!Put(header.Text(), header.Length())) return false;
  gOn.store(true, std::memory_order_relaxed);
  return true;
}

void StopSerialTrace() {
  using namespace serial_trace;
  std::lock_guard lock(gMutex);
  gOn.store(false, std::memory_order_relaxed);
  if (gFile != nullptr) std::fclose(gFile);
  gFile = nullptr;
}
