#pragma once
// Records every message box the program shows, confirming each at once
// unless its text was marked to be held until Release().
#include <condition_variable>
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
  // Boxes with this text stay open until Release().
  void Hold(const std::string& text);
  void Release();

 private:
  int Show(const char* text);

  mutable std::mutex mutex_;
  mutable std::condition_variable changed_;
  std::vector<std::string> texts_;
  std::vector<std::string> held_;
  bool released_ = false;
  ui::MessageBoxHandler previous_;
};

}  // namespace test
