#include "recorded_boxes.h"

#include <algorithm>

namespace test {

RecordedBoxes::RecordedBoxes() {
  previous_ = ui::SetMessageBoxHandler([this](const char* text, UINT) { return Show(text); });
}

RecordedBoxes::~RecordedBoxes() {
  Release();
  ui::SetMessageBoxHandler(previous_);
}

int RecordedBoxes::Show(const char* text) {
  std::unique_lock lock(mutex_);
  texts_.emplace_back(text);
  changed_.notify_all();
  if (std::find(held_.begin(), held_.end(), text) != held_.end())
    changed_.wait(lock, [this] { return released_; });
  return IDOK;
}

std::vector<std::string> RecordedBoxes::Texts() const {
  std::lock_guard lock(mutex_);
  return texts_;
}

void RecordedBoxes::Hold(const std::string& text) {
  std::lock_guard lock(mutex_);
  held_.push_back(text);
}

void RecordedBoxes::Release() {
  std::lock_guard lock(mutex_);
  released_ = true;
  changed_.notify_all();
}

}  // namespace test
