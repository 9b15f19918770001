#pragma once
// Records every message box the program shows, confirming each at once.
#include <mutex>
#include <string>
#include <vector>

#include "ui_core/message_box.h"

namespace test {

class RecordedBoxes {
 public:
  RecordedBoxes()
      : previous_(ui::SetMessageBoxHandler([this](const char* text, UINT) {
          const std::lock_guard lock(mutex_);
          texts_.emplace_back(text);
          return IDOK;
        })) {}
  ~RecordedBoxes() { ui::SetMessageBoxHandler(previous_); }
  RecordedBoxes(const RecordedBoxes&) = delete;
  RecordedBoxes& operator=(const RecordedBoxes&) = delete;

  std::vector<std::string> Texts() const {
    const std::lock_guard lock(mutex_);
    return texts_;
  }

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
  ui::MessageBoxHandler previous_;
};

}  // namespace test
