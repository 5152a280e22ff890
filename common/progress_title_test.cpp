#include "common/progress_title.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(ProgressTitle, OneTitleEveryFiftyMillisecondsAndTheLastAlways) {
  struct Step {
    uint32_t nowMs;
    bool last;
    bool due;
  };
  struct Case {
    const char* name;
    std::vector<Step> steps;
  } cases[] = {
      {"first at once, then 50 ms apart",
       {{1000, false, true},
        {1001, false, false},
        {1049, false, false},
        {1050, false, true},
        {1099, false, false},
        {1100, false, true}}},
      {"the last step however soon", {{7, false, true}, {8, false, false}, {9, true, true}}},
      {"a run of one step", {{0, true, true}}},
      {"the tick count wraps",
       {{0xFFFFFFF0u, false, true}, {0x10, false, false}, {0x22, false, true}}},
      {"skipped steps do not delay the next",
       {{0, false, true}, {30, false, false}, {60, false, true}, {100, false, false}}},
  };
  for (const Case& c : cases) {
    ProgressTitleClock clock;
    for (size_t i = 0; i < c.steps.size(); ++i)
      EXPECT_EQ(ProgressTitleDue(&clock, c.steps[i].nowMs, c.steps[i].last), c.steps[i].due)
          << c.name << ", step " << i;
  }
}

}  // namespace
