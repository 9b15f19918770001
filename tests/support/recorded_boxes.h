#pragma once
// Records every message box the program shows, confirming each at once.
#include <mutex>
#include <string>
#include <vector>

#include "ui_core/message_box.h"

namespace test {

class RecordedBoxes {
 public:
  RecordedBoxes();
  ~RecordedBoxes();
  RecordedBoxes(const RecordedBoxes&) = delete;
  RecordedBoxes& operator=(const RecordedBoxes&) = delete;

  std::vector<std::string> Texts() const;

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> texts_;
  ui::MessageBoxHandler previous_;
};

}  // namespace test
