#include "framework/app/VornAppBase.h"

#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

using Platform::SystemCursorShape;

struct CursorCase {
    int number;
    bool pointerInside;
    // None: one of the two hands, by number; the hidden cursor has no shape
    // and is not shown.
    std::optional<SystemCursorShape> shape;
    bool shown;
};

void PrintTo(const CursorCase& c, std::ostream* os)
{
    *os << "cursor " << c.number << (c.pointerInside ? " inside" : " outside");
}

class ApplyCursorTest : public ::testing::TestWithParam<CursorCase> {};

TEST_P(ApplyCursorTest, ShowsTheCursorOfItsNumber)
{
    const CursorCase& c = GetParam();
    Testing::ScriptedClock clock;
    Testing::WindowedApp app(clock);
    app.Init();
    app.mMouseIn = c.pointerInside;
    app.mCursorNum = c.number;
    app.VornAppBase::ApplyCursor();

    EXPECT_EQ(app.mWindow->CursorShown(), c.shown);
    if (!c.shown)
        return;
    const Platform::Cursor* current = app.mWindow->CurrentCursor();
    if (c.shape) {
        const auto* fake = dynamic_cast<const Testing::FakeCursor*>(current);
        ASSERT_NE(fake, nullptr);
        EXPECT_EQ(fake->shape, c.shape);
    } else {
        EXPECT_EQ(current, c.number == 1 ? app.mHandCursor.get() : app.mDraggingCursor.get());
    }
}

INSTANTIATE_TEST_SUITE_P(Numbers, ApplyCursorTest,
                         ::testing::Values(CursorCase{0, true, SystemCursorShape::Arrow, true},
                                           CursorCase{1, true, std::nullopt, true},
                                           CursorCase{2, true, std::nullopt, true},
                                           CursorCase{3, true, SystemCursorShape::IBeam, true},
                                           CursorCase{10, true, SystemCursorShape::Wait, true},
                                           CursorCase{11, true, std::nullopt, false},
                                           CursorCase{12, true, std::nullopt, false},
                                           CursorCase{13, true, SystemCursorShape::Arrow, true},
                                           CursorCase{-1, true, SystemCursorShape::Arrow, true},
                                           CursorCase{11, false, SystemCursorShape::Arrow, true}));

} // namespace
