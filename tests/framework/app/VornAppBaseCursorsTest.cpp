#include "framework/app/VornAppBase.h"

#include "fakes/WindowedApp.h"

#include <gtest/gtest.h>

namespace {

using Platform::SystemCursorShape;

TEST(ApplyCursor, ShowsTheCursorOfItsNumber)
{
    struct Case {
        int number;
        bool inside;
        bool shown;
        int hand; // 1 pointing, 2 open, else the system's cursor of the shape
        SystemCursorShape shape;
    };
    using enum SystemCursorShape;
    const Case cases[] = {{0, true, true, 0, Arrow}, {1, true, true, 1, {}},     {2, true, true, 2, {}},
                          {3, true, true, 0, IBeam}, {10, true, true, 0, Wait},  {11, true, false, 0, {}},
                          {12, true, false, 0, {}},  {13, true, true, 0, Arrow}, {-1, true, true, 0, Arrow},
                          {11, false, true, 0, Arrow}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.number);
        Testing::ScriptedClock clock;
        Testing::WindowedApp app(clock);
        app.Init();
        app.mMouseIn = c.inside;
        app.mCursorNum = c.number;
        app.VornAppBase::ApplyCursor();
        EXPECT_EQ(app.mWindow->CursorShown(), c.shown);
        const Platform::Cursor* current = app.mWindow->CurrentCursor();
        if (c.hand != 0) {
            EXPECT_EQ(current, c.hand == 1 ? app.mHandCursor.get() : app.mDraggingCursor.get());
        } else if (c.shown) {
            EXPECT_EQ(dynamic_cast<const Testing::FakeCursor&>(*current).shape, c.shape);
        }
    }
}

} // namespace
