#include "recorded_boxes.h"

#include <algorithm>

namespace test {

RecordedBoxes::RecordedBoxes() {
  previous_ = ui::SetMessageBoxHandler([this](const char* text, UINT) { return show(text); });
}

RecordedBoxes::~RecordedBoxes() {
  release();
  ui::SetMessageBoxHandler(previous_);
}

int RecordedBoxes::show(const char* text) {
  std::unique_lock lock(mutex_);
  texts_.emplace_back(text);
  changed_.notify_all();
  if (std::find(held_.begin(), held_.end(), text) != held_.end())
    changed_.wait(lock, [this] { return released_; });
  return IDOK;
}

std::vector<std::string> RecordedBoxes::texts() const {
  std::lock_guard lock(mutex_);
  return texts_;
}

bool RecordedBoxes::waitFor(const std::string& text, std::chrono::milliseconds timeout) const {
  std::unique_lock lock(mutex_);
  return changed_.wait_for(lock, timeout,
                           [&] { return std::find(texts_.begin(), texts_.end(), text) != texts_.end(); });
}

void RecordedBoxes::hold(const std::string& text) {
  std::lock_guard lock(mutex_);
  held_.push_back(text);
}

void RecordedBoxes::release() {
  std::lock_guard lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

}  // namespace test
