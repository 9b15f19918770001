#pragma once
// The instrument's end of the line: a pseudo-terminal master. The simulator also
// holds one raw slave fd for its whole life, so the master never reports a hang-up
// while the programmer has the slave closed, and nothing is echoed before the
// programmer configures the line.
#include <string>

namespace sim {

class PtyPort {
 public:
  PtyPort();  // throws std::system_error
  ~PtyPort();
  PtyPort(const PtyPort&) = delete;
  PtyPort& operator=(const PtyPort&) = delete;

  int master() const { return master_; }
  const std::string& slavePath() const { return slavePath_; }
  bool isOpen() const { return master_ >= 0; }
  // Hangs up the line: the programmer's side sees POLLHUP / EIO.
  void close();

 private:
  void openSlave();

  int master_ = -1;
  int slave_ = -1;
  std::string slavePath_;
};

}  // namespace sim
