#include "app/ui/text_surface.h"

#include <gtest/gtest.h>

namespace {

struct Step {
  enum { kDraw, kBlank } kind;
  int y = 0;
  const char* text = "";
};

struct SurfaceCase {
  const char* name;
  std::vector<Step> steps;
  std::string line0;
  std::string line20;
};

void PrintTo(const SurfaceCase& c, std::ostream* os) { *os << c.name; }

class TextSurfaceTest : public testing::TestWithParam<SurfaceCase> {};

TEST_P(TextSurfaceTest, ShowsWhatWasDrawnSinceTheLastBlank) {
  ui::TextSurface surface;
  for (const Step& step : GetParam().steps) {
    if (step.kind == Step::kBlank)
      surface.Blank();
    else
      surface.Draw({0, step.y, step.text, RGB(255, 0, 0)});
  }
  EXPECT_EQ(surface.VisibleLine(0), GetParam().line0);
  EXPECT_EQ(surface.VisibleLine(20), GetParam().line20);
}

INSTANTIATE_TEST_SUITE_P(
    Sequences, TextSurfaceTest,
    testing::Values(
        SurfaceCase{"Empty", {}, "", ""},
        SurfaceCase{"TwoLines", {{Step::kDraw, 0, "one"}, {Step::kDraw, 20, "two"}}, "one", "two"},
        SurfaceCase{"ShorterLeavesTail",
                    {{Step::kDraw, 0, "Upgrading!   (It takes about 180 sec.) "},
                     {Step::kDraw, 0, "Upgrade complete!"}},
                    "Upgrade complete!takes about 180 sec.) ",
                    ""},
        SurfaceCase{"LongerCoversShorter", {{Step::kDraw, 0, "ab"}, {Step::kDraw, 0, "xyz"}}, "xyz", ""},
        SurfaceCase{
            "SpacesEraseByCovering", {{Step::kDraw, 0, "Start"}, {Step::kDraw, 0, "     "}}, "     ", ""},
        SurfaceCase{
            "BlankForgetsEverything",
            {{Step::kDraw, 0, "old"}, {Step::kDraw, 20, "old"}, {Step::kBlank}, {Step::kDraw, 20, "new"}},
            "",
            "new"},
        SurfaceCase{
            "LinesDoNotMix", {{Step::kDraw, 0, "first line"}, {Step::kDraw, 20, "x"}}, "first line", "x"}),
    [](const testing::TestParamInfo<SurfaceCase>& p) { return std::string(p.param.name); });

TEST(TextSurface, ListsDrawnLinesAscending) {
  ui::TextSurface surface;
  surface.Draw({0, 20, "b", 0});
  surface.Draw({0, 0, "a", 0});
  surface.Draw({0, 20, "c", 0});
  EXPECT_EQ(surface.LineOffsets(), (std::vector<int>{0, 20}));
  EXPECT_EQ(surface.Runs().size(), 3u);
}

}  // namespace
