#pragma once
// The programmer's end of the simulator's pty, opened the way the programmer opens it.
#include <chrono>
#include <string>
#include <string_view>

namespace tools_test {

using namespace std::chrono_literals;

class PtyClient {
 public:
  explicit PtyClient(const std::string& path);  // throws std::system_error
  ~PtyClient();
  PtyClient(const PtyClient&) = delete;
  PtyClient& operator=(const PtyClient&) = delete;

  // False when the line takes no byte for `stallTimeout` or hangs up.
  bool write(std::string_view bytes, std::chrono::milliseconds stallTimeout = 10s);
  // Writes in chunks as the programmer does; returns the bytes written before a failure.
  std::size_t stream(std::string_view bytes, std::size_t chunk, std::chrono::milliseconds stallTimeout = 10s);
  // Reads until `text` has arrived; returns what came up to and including it
  // (or everything received when it did not come in time).
  std::string readUntil(std::string_view text, std::chrono::milliseconds timeout = 10s);
  bool waitForHangup(std::chrono::milliseconds timeout = 10s);

 private:
  int fd_;
  std::string received_;
};

}  // namespace tools_test
