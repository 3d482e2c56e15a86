#include "framework/graphics/ImageRef.h"

#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "framework/graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

using Vorn::ImageRef;
using Vorn::MemoryImage;
using Vorn::PooledImage;

// Two records P and Q, one reference to each; a step may keep references in
// `kept` until the counts are checked.
struct Records {
    Testing::ScriptedClock clock;
    Testing::ScriptedApp app{clock};
    MemoryImage pImage{&app};
    MemoryImage qImage{&app};
    MemoryImage loose{&app};
    PooledImage p;
    PooledImage q;
};

struct CountCase {
    const char* name;
    std::function<void(Records&, ImageRef& a, ImageRef& b, std::vector<ImageRef>& kept)> step;
    int pCount;
    int qCount;
    // What `a` shows afterwards: 'P', 'Q', 'L' (the loose image) or '-'.
    char aImage;
};

class ImageRefCounts : public ::testing::TestWithParam<CountCase> {};

TEST_P(ImageRefCounts, StayRightAndReachZeroWhenEveryHolderIsGone)
{
    Records r;
    r.p.mImage = &r.pImage;
    r.q.mImage = &r.qImage;
    {
        std::vector<ImageRef> kept;
        kept.reserve(4);
        ImageRef a;
        ImageRef b;
        a = &r.p;
        b = &r.q;
        GetParam().step(r, a, b, kept);
        EXPECT_EQ(r.p.mRefCount, GetParam().pCount);
        EXPECT_EQ(r.q.mRefCount, GetParam().qCount);
        const std::map<char, MemoryImage*> images{{'P', &r.pImage}, {'Q', &r.qImage}, {'L', &r.loose}, {'-', nullptr}};
        EXPECT_EQ(a.GetImage(), images.at(GetParam().aImage));
        EXPECT_EQ(r.app.mCleanSharedImages.load(), GetParam().pCount == 0 || GetParam().qCount == 0);
    }
    EXPECT_EQ(r.p.mRefCount, 0);
    EXPECT_EQ(r.q.mRefCount, 0);
    EXPECT_TRUE(r.app.mCleanSharedImages);
}

ImageRef ReturnedByValue(const ImageRef& ref)
{
    return ref;
}

INSTANTIATE_TEST_SUITE_P(Steps, ImageRefCounts,
    testing::Values(
        CountCase{"CopyConstruct", [](Records&, ImageRef& a, ImageRef&, auto& kept) { kept.push_back(a); }, 2, 1, 'P'},
        CountCase{"MoveConstruct", [](Records&, ImageRef& a, ImageRef&, auto& kept) { kept.push_back(std::move(a)); },
            1, 1, '-'},
        CountCase{"CopyAssign", [](Records&, ImageRef& a, ImageRef& b, auto&) { a = b; }, 0, 2, 'Q'},
        CountCase{"MoveAssign", [](Records&, ImageRef& a, ImageRef& b, auto&) { a = std::move(b); }, 0, 1, 'Q'},
        CountCase{"SelfCopyAssign", [](Records&, ImageRef& a, ImageRef&, auto&) { a = a; }, 1, 1, 'P'},
        CountCase{"SelfMoveAssign",
            [](Records&, ImageRef& a, ImageRef&, auto&) {
                ImageRef& same = a;
                a = std::move(same);
            },
            1, 1, 'P'},
        CountCase{"OwnRecordAssigned", [](Records& r, ImageRef& a, ImageRef&, auto&) { a = &r.p; }, 1, 1, 'P'},
        CountCase{"OtherRecordAssigned", [](Records& r, ImageRef& a, ImageRef&, auto&) { a = &r.q; }, 0, 2, 'Q'},
        CountCase{"UnsharedAssigned", [](Records& r, ImageRef& a, ImageRef&, auto&) { a = &r.loose; }, 0, 1, 'L'},
        CountCase{"UnsharedNotTakenByCopy",
            [](Records& r, ImageRef& a, ImageRef&, auto&) {
                ImageRef loose;
                loose = &r.loose;
                a = loose;
            },
            0, 1, '-'},
        CountCase{"ReleasedTwice",
            [](Records&, ImageRef& a, ImageRef&, auto&) {
                a.Release();
                a.Release();
            },
            0, 1, '-'},
        CountCase{"ReturnedByValueInALoop",
            [](Records&, ImageRef& a, ImageRef&, auto&) {
                for (int i = 0; i < 3; ++i)
                    a = ReturnedByValue(a);
            },
            1, 1, 'P'}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImageRef, PrefersTheUnsharedImageAndMovesItsOwnership)
{
    Testing::ScriptedClock clock;
    Testing::ScriptedApp app(clock);
    MemoryImage shared(&app);
    PooledImage pooled;
    pooled.mImage = &shared;
    ImageRef both;
    both = &pooled;
    both.mUnshared = new MemoryImage(&app);
    both.mOwnsUnshared = true;
    EXPECT_NE(both.GetImage(), &shared);
    EXPECT_EQ(both.GetSharedImage(), &shared);
    const size_t images = app.mMemoryImageSet.size();
    {
        const ImageRef moved(std::move(both));
        EXPECT_EQ(both.GetImage(), nullptr);
        EXPECT_EQ(app.mMemoryImageSet.size(), images);
    }
    EXPECT_EQ(app.mMemoryImageSet.size(), images - 1);
    EXPECT_EQ(pooled.mRefCount, 0);
}

} // namespace
