#include "effect/WorkingSize.h"

#include <gtest/gtest.h>

using namespace Nuvra;
using namespace Nuvra::Effect;

TEST(WorkingSize, Table)
{
    struct Case { int w, h, resizing; int ww, wh; bool resized; };
    for (const Case c : {
             Case{1283, 1100, 1000, 1283, 1100, false},  // sum 2383 keeps its size
             Case{1284, 1100, 1000, 1256, 1076, true},   // 2384 is scaled
             Case{4096, 2160, 1000, 1527, 805, true},
             Case{1920, 1080, 1000, 1493, 839, true},
             Case{1, 1, 1000, 1, 1, false},
             Case{3, 2, 1000, 3, 2, false},
             Case{1, 2400, 1000, 1, 2332, true},         // the short side keeps one pixel
             Case{2400, 1, 1000, 2332, 1, true},
             Case{1, 5000, 1000, 1, 2332, true},
             Case{4096, 2160, 0, 4096, 2160, false},     // no target: no resize
             Case{4096, 2160, -5, 4096, 2160, false},
             Case{600, 400, 300, 420, 280, true},
             Case{8000, 8000, 2147483647, 8000, 8000, false},
         }) {
        SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " resizing " << c.resizing);
        const WorkingSize ws = workingSize(c.w + c.h, Size{c.w, c.h}, c.resizing);
        EXPECT_EQ(ws.size.width, c.ww);
        EXPECT_EQ(ws.size.height, c.wh);
        EXPECT_EQ(ws.resized, c.resized);
        EXPECT_GT(ws.halfSum, 0.0f);
    }
}

TEST(WorkingSize, HalfSum)
{
    EXPECT_FLOAT_EQ(workingSize(3000, Size{1920, 1080}, 1000).halfSum, 1166.5f);
    EXPECT_FLOAT_EQ(workingSize(2000, Size{1200, 800}, 1000).halfSum, 1000.0f);
    EXPECT_FLOAT_EQ(workingSize(2000, Size{1200, 800}, 0).halfSum, 1000.0f);
}
