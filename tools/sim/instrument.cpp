#include "sim/instrument.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

#include "pty/pty.h"
#include "sim/com_link.h"
#include "sim/serve_loop.h"

namespace sim {
namespace {

pty::Pty openPort(const Options& options) {
  if (options.device.empty()) return pty::Pty(pty::Pty::Master::NonBlocking);
  return pty::Pty(options.device);
}

}  // namespace

class Instrument::Impl : public SummarySink {
 public:
  explicit Impl(Options options) : options_(std::move(options)), stopFd_(eventfd(0, EFD_CLOEXEC)) {
    if (stopFd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
  }
  ~Impl() override {
    stop();
    if (!linkPath_.empty()) unlinkComPort(linkPath_, port_.slavePath());
    ::close(stopFd_);
  }

  void publish(const Summary& summary, bool imageEnded) override {
    {
      std::lock_guard lock(mutex_);
      summary_ = summary;
      ended_ = ended_ || imageEnded;
    }
    if (!imageEnded) return;
    endedChanged_.notify_all();
    if (options_.onImageEnd) options_.onImageEnd(summary);
  }

  void start() {
    if (thread_.joinable()) return;
    thread_ = std::thread([this] { ServeLoop(options_, port_, stopFd_, *this).run(); });
  }

  void stop() {
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    if (::write(stopFd_, &one, sizeof one) < 0) std::terminate();  // an eventfd write cannot fail here
    thread_.join();
  }

  bool waitForImage(std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return endedChanged_.wait_for(lock, timeout, [this] { return ended_; });
  }

  Summary summary() const {
    std::lock_guard lock(mutex_);
    return summary_;
  }

  Options options_;
  pty::Pty port_{openPort(options_)};
  int stopFd_;
  std::string linkPath_;
  std::thread thread_;
  mutable std::mutex mutex_;
  std::condition_variable endedChanged_;
  Summary summary_;
  bool ended_ = false;
};

Instrument::Instrument(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}
Instrument::~Instrument() = default;

const std::string& Instrument::devicePath() const { return impl_->port_.slavePath(); }

void Instrument::linkAs(const std::string& configHome, const std::string& comName) {
  impl_->linkPath_ = linkComPort(configHome, comName, devicePath());
}

void Instrument::start() { impl_->start(); }
bool Instrument::waitForImage(std::chrono::milliseconds timeout) { return impl_->waitForImage(timeout); }
Summary Instrument::summary() const { return impl_->summary(); }
void Instrument::stop() { impl_->stop(); }

}  // namespace sim
