#include "many_ports.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>

#include "app/system/child_process.h"
#include "app/system/console.h"
#include "app/system/diagnostics.h"
#include "app/system/output.h"
#include "app/system/stop_signals.h"
#include "live_view.h"
#include "port_runs.h"
#include "serial/port_tables.h"
#include "upgrade/stop_request.h"
#include "visible_text.h"

namespace cli {
namespace {

// Wide enough that a change to any part of a live line is seen.
constexpr std::size_t kWidest = 1000;

// What the reading threads hand the supervisor: a piece of a child's output,
// the end of one of its streams, or a stop request.
struct Arrival {
  std::size_t run = 0;
  sys::ChildStream stream = sys::ChildStream::kOutput;
  std::string text;
  bool end = false;
  bool stop = false;
  bool resized = false;
};

class Mailbox {
 public:
  void Put(Arrival arrival) {
    const std::lock_guard lock(mutex_);
    arrivals_.push_back(std::move(arrival));
    arrived_.notify_one();
  }
  Arrival Take() {
    std::unique_lock lock(mutex_);
    arrived_.wait(lock, [this] { return !arrivals_.empty(); });
    Arrival arrival = std::move(arrivals_.front());
    arrivals_.pop_front();
    return arrival;
  }

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Arrival> arrivals_;
};

void ReadStream(sys::ChildProcess& child, sys::ChildStream stream, std::size_t run, Mailbox& mailbox) {
  char buffer[4096];
  for (std::size_t got; (got = child.Read(stream, buffer, sizeof buffer)) > 0;)
    mailbox.Put({run, stream, std::string(buffer, got), false, false});
  mailbox.Put({run, stream, "", true, false});
}

// A line as the child meant it: Windows' text mode ends lines with CR LF.
std::string WithoutReturn(std::string line) {
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// The child's arguments: one port, its events on standard output.
std::vector<std::string> ChildArguments(const CommandLine& line, int port) {
  std::vector<std::string> arguments = {"--batch", "--port", PortName(port), "--json"};
  if (!line.image.empty()) arguments.insert(arguments.end(), {"--image", line.image});
  if (!line.station.empty()) arguments.insert(arguments.end(), {"--station", line.station});
  if (!line.trace.empty()) arguments.insert(arguments.end(), {"--trace", line.trace + "." + PortName(port)});
  if (!line.expectSha256.empty()) arguments.insert(arguments.end(), {"--expect-sha256", line.expectSha256});
  return arguments;
}

class Supervisor {
 public:
  Supervisor(const CommandLine& line, std::string program)
      : line_(line), program_(std::move(program)), live_(!line.json && sys::OutputIsTerminal()) {}

  int Run() {
    WatchForStop();
    if (live_) WatchForResize();
    Start();
    Watch();
    for (std::thread& reader : readers_) reader.join();
    for (std::size_t run = 0; run < runs_.size(); ++run)
      if (children_[run]->Started() && !runs_[run].exited) Exited(run);
    End();
    return FirstFailure(runs_);
  }

 private:
  // The watcher waits for the process's end once no stop came; it holds the mailbox, not this.
  void WatchForStop() {
    std::thread([mailbox = mailbox_] {
      sys::WaitForStopRequest();
      mailbox->Put({0, sys::ChildStream::kOutput, "", false, true});
    }).detach();
  }

  // Likewise for the terminal's changes of size, which redraw the live lines.
  void WatchForResize() {
    std::thread([mailbox = mailbox_] {
      for (;;) {
        sys::WaitForResize();
        mailbox->Put({0, sys::ChildStream::kOutput, "", false, false, true});
      }
    }).detach();
  }

  void Start() {
    started_ = std::chrono::steady_clock::now();
    for (const int port : line_.ports) {
      const std::size_t run = runs_.size();
      runs_.emplace_back().port = port;
      children_.push_back(std::make_unique<sys::ChildProcess>(ChildArguments(line_, port)));
      sys::ChildProcess& child = *children_.back();
      if (!child.Started()) {
        runs_[run].exitCode = kExitInternalError;
        Say(run, "could not start a process for this port: " + child.Error());
        continue;
      }
      open_ += 2;
      for (const auto stream : {sys::ChildStream::kOutput, sys::ChildStream::kError})
        readers_.emplace_back(ReadStream, std::ref(child), stream, run, std::ref(*mailbox_));
    }
    Redraw();
  }

  // Its process's end, once both its streams are closed, which it does as it
  // ends: a port whose process died without its end event is over then, not
  // shown running until every port is.
  void Exited(std::size_t run) {
    runs_[run].exitCode = children_[run]->Wait();
    runs_[run].exited = true;
    if (!runs_[run].ended) runs_[run].seconds = Elapsed();
  }

  void Watch() {
    std::vector<std::string> pending(runs_.size() * 2);
    std::vector<int> closed(runs_.size(), 0);
    while (open_ > 0) {
      Arrival arrival = mailbox_->Take();
      if (arrival.stop) {
        for (const auto& child : children_) child->Stop(StopSignal());
        continue;
      }
      if (arrival.resized) {
        Redraw();
        continue;
      }
      std::string& text = pending[arrival.run * 2 + (arrival.stream == sys::ChildStream::kOutput ? 0 : 1)];
      text += arrival.text;
      if (arrival.end && !text.empty()) text += '\n';
      for (std::size_t newline; (newline = text.find('\n')) != std::string::npos; text.erase(0, newline + 1))
        TakeLine(arrival.run, arrival.stream, WithoutReturn(text.substr(0, newline)));
      if (!arrival.end) continue;
      --open_;
      if (++closed[arrival.run] < 2) continue;
      Exited(arrival.run);
      Redraw();
    }
  }

  void TakeLine(std::size_t run, sys::ChildStream stream, const std::string& text) {
    // A line on standard output that is no event (a library's print) is shown
    // as one on standard error is, so that --json's output stays JSON Lines.
    if (stream == sys::ChildStream::kOutput && TakeEventLine(run, text)) return;
    if (line_.json) {
      sys::Print(stderr, Prefixed(run, text));
    } else if (!live_) {
      sys::Print(stdout, Prefixed(run, text));
    } else if (ShowsAbove(text)) {
      Above(Prefixed(run, VisibleText(text)));  // the live lines show the rest
    }
  }

  bool TakeEventLine(std::size_t run, const std::string& text) {
    const std::string shown = LiveLine(runs_[run], kWidest);
    if (!TakeEvent(runs_[run], text)) return false;
    if (line_.json) sys::Print(stdout, text + "\n");
    if (LiveLine(runs_[run], kWidest) != shown) Redraw();
    return true;
  }

  // A diagnostic of this process about one port.
  void Say(std::size_t run, const std::string& text) {
    sys::Complain(std::string(PortName(runs_[run].port)) + ": " + text);
  }

  std::string Prefixed(std::size_t run, const std::string& text) const {
    return std::string(PortName(runs_[run].port)) + ": " + text + "\n";
  }

  // On a terminal, the live lines, rewritten in place: the cursor goes back
  // up over what was drawn last, never above it, nor above the screen's top
  // when the terminal has shrunk since.
  std::string BackOverLiveLines(int rows) {
    const std::size_t up = std::min(drawn_, static_cast<std::size_t>(std::max(rows - 1, 0)));
    drawn_ = 0;
    return sys::BackOverLines(static_cast<int>(up));
  }

  void Redraw() {
    if (!live_) return;
    const sys::TerminalSize size = sys::OutputTerminalSize();
    std::string text = BackOverLiveLines(size.rows);
    const std::vector<std::string> lines = LiveLines(runs_, size.rows, size.columns);
    for (const std::string& line : lines) text += line + "\n";
    drawn_ = lines.size();
    // A terminal of one row has none above the cursor's: its line stays on that
    // row, where the next drawing clears it, instead of scrolling away.
    onCursorRow_ = size.rows <= 1 && !text.empty() && text.back() == '\n';
    if (onCursorRow_) {
      text.pop_back();
      drawn_ = 0;
    }
    sys::Print(stdout, text);
  }

  // A line printed above the live lines, which move down below it.
  void Above(const std::string& line) {
    sys::Print(stdout, BackOverLiveLines(sys::OutputTerminalSize().rows) + line);
    Redraw();
  }

  double Elapsed() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
  }

  void End() {
    Redraw();
    if (onCursorRow_) sys::Print(stdout, "\n");
    std::FILE* out = line_.json ? stderr : stdout;
    sys::Print(out, SummaryTable(runs_));
    const std::string retry = RetryCommand(runs_, line_, program_);
    if (!retry.empty()) sys::Print(out, "retry the failed ports: " + retry + "\n");
  }

  const CommandLine& line_;
  const std::string program_;
  const bool live_;
  std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
  std::vector<PortRun> runs_;
  std::vector<std::unique_ptr<sys::ChildProcess>> children_;
  std::vector<std::thread> readers_;
  std::size_t open_ = 0;   // streams not yet at their end
  std::size_t drawn_ = 0;  // rows the cursor went down while drawing the live lines
  bool onCursorRow_ = false;
  std::chrono::steady_clock::time_point started_{};
};

}  // namespace

int RunManyPorts(const CommandLine& line, const std::string& program) {
  return Supervisor(line, program).Run();
}

}  // namespace cli
