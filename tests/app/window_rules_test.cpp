// SPDX-License-Identifier: MIT
// The toolkit-free rules both desktop windows take: the pane's place and
// the TopMost argument.
#include <gtest/gtest.h>

#include "app/window_rules.h"

namespace quillfen {
namespace {

TEST(WindowRules, ThePaneKeepsTheRestoredTopAndMarginsAndGrowsWithTheWindow) {
    PaneLayout layout;  // one-pixel borders
    layout.MeasureRestored(421, 185);
    EXPECT_EQ(layout.PaneTop(), 92);
    EXPECT_EQ(layout.PaneMargin(), 7);
    EXPECT_EQ(layout.RectFor(421, 185), (PaneRect{6, 91, 415, 179}));
    EXPECT_EQ(layout.RectFor(1024, 710), (PaneRect{6, 91, 1018, 704}));

    PaneLayout wide({2, 3});
    wide.MeasureRestored(421, 185);
    EXPECT_EQ(wide.RectFor(421, 185), (PaneRect{5, 88, 416, 181}));
}

TEST(WindowRules, TopMostOnlyForTheExactWord) {
    EXPECT_TRUE(IsTopMostRequest("TopMost"));
    for (const char* text : {"topmost", "TOPMOST", "TopMost ", "TopMost x", " TopMost", ""})
        EXPECT_FALSE(IsTopMostRequest(text)) << text;
    EXPECT_FALSE(IsTopMostRequest(nullptr));
}

}  // namespace
}  // namespace quillfen
