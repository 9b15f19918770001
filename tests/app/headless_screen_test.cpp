#include "app/ui/headless/headless_screen.h"

#include <gtest/gtest.h>

#include <thread>

namespace {

TEST(HeadlessScreen, MessageBoxesFromAnyThreadAreRecordedInOrder) {
  ui::headless::Screen screen;
  EXPECT_EQ(AfxMessageBox("Error SetCommState", MB_OK, 0), IDOK);
  std::thread reader([] { AfxMessageBox("ReadFile error"); });
  EXPECT_TRUE(screen.WaitForMessageBoxes(2, std::chrono::seconds(30)));
  reader.join();
  EXPECT_EQ(screen.MessageBoxes(), (std::vector<std::string>{"Error SetCommState", "ReadFile error"}));
  EXPECT_FALSE(screen.WaitForMessageBoxes(3, std::chrono::milliseconds(1)));
}

TEST(HeadlessScreen, PumpDeliversOneActionAtATimeEvenFromOtherThreads) {
  ui::headless::Screen screen;
  std::vector<int> order;
  std::thread poster([&] {
    screen.Post([&] { order.push_back(1); });
    screen.Post([&] { order.push_back(2); });
  });
  poster.join();
  EXPECT_TRUE(ui::PumpOneMessage());
  EXPECT_EQ(order, (std::vector<int>{1}));
  EXPECT_TRUE(ui::PumpOneMessage());
  EXPECT_FALSE(ui::PumpOneMessage());
  EXPECT_EQ(order, (std::vector<int>{1, 2}));
}

TEST(HeadlessScreen, RestoresThePreviousHandlersWhenItGoes) {
  {
    ui::headless::Screen screen;
    screen.Post([] {});
    EXPECT_NE(ui::CurrentBackend(), nullptr);
  }
  EXPECT_EQ(ui::CurrentBackend(), nullptr);
  EXPECT_FALSE(ui::PumpOneMessage());
}

}  // namespace
