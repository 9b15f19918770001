#include "recorded_boxes.h"

namespace test {

RecordedBoxes::RecordedBoxes() {
  previous_ = ui::SetMessageBoxHandler([this](const char* text, UINT) {
    const std::lock_guard lock(mutex_);
    texts_.emplace_back(text);
    return IDOK;
  });
}

RecordedBoxes::~RecordedBoxes() { ui::SetMessageBoxHandler(previous_); }

std::vector<std::string> RecordedBoxes::Texts() const {
  const std::lock_guard lock(mutex_);
  return texts_;
}

}  // namespace test
