#pragma once
// An open serial device. Its state lives in a PortCore shared with the
// overlapped operations started on it, so an operation outlives a close safely.
#include <memory>
#include <mutex>
#include <vector>

#include "kernel_object.h"

namespace posix {

class IoOperation;

struct PortCore {
  std::mutex mutex;
  int fd = -1;                           // -1 once the handle was closed
  std::vector<IoOperation*> operations;  // in progress
  COMMTIMEOUTS timeouts{};
  DCB dcb{};  // fields without a termios form, as last set
  DWORD inQueue = 0;
  DWORD outQueue = 0;
  DWORD lastErrorCounters[4] = {};  // frame, overrun, parity, break, at the last ClearCommError
};

class SerialFile final : public KernelObject {
 public:
  explicit SerialFile(int fd);
  ~SerialFile() override;  // aborts the operations in progress, closes the device
  SerialFile(const SerialFile&) = delete;
  SerialFile& operator=(const SerialFile&) = delete;

  const std::shared_ptr<PortCore>& core() const { return core_; }

 private:
  std::shared_ptr<PortCore> core_;
};

// Device path for a port name ("COM3"), or empty when the name is no port name.
std::string DevicePathForPort(const char* name);
// A serial slot the system lists with no UART behind it (most PCs' ttyS2 and
// ttyS3): the serial core calls its type unknown and refuses even to read the
// line's settings (EIO). USB adapters report an unknown type too, but answer.
bool IsEmptyUartSlot(int fd);
// Tells the user once per process how to get the permission a port needs.
void SayPermissionHintOnce(const std::string& path);

}  // namespace posix
