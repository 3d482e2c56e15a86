#include "framework/graphics/ImageRef.h"

#include "fakes/ScriptedApp.h"
#include "framework/graphics/MemoryImage.h"

#include <gtest/gtest.h>

#include <optional>
#include <utility>

namespace {

using Vorn::ImageRef;

// Before each step `a` holds record P and `b` record Q.
struct Refs {
    Testing::ScriptedClock clock;
    Testing::ScriptedApp app{clock};
    Vorn::MemoryImage loose{&app};
    Vorn::PooledImage p, q;
    std::optional<ImageRef> a{ImageRef()}, b{ImageRef()}, kept;
};

ImageRef ByValue(const ImageRef& ref) { return ref; }

TEST(ImageRef, CountsStayRightAndReachZeroWithTheLastHolder)
{
    // a: 'P' holds record P, 'L' holds it but shows the loose image, '-' holds neither.
    const struct { const char* name; void (*step)(Refs&); int p, q; char a; } cases[] = {
        {"CopyConstruct", [](Refs& r) { r.kept.emplace(*r.a); }, 2, 1, 'P'},
        {"MoveConstruct", [](Refs& r) { r.kept.emplace(std::move(*r.a)); }, 1, 1, '-'},
        {"CopyAssign", [](Refs& r) { *r.a = *r.b; }, 0, 2, '-'},
        {"MoveAssign", [](Refs& r) { *r.a = std::move(*r.b); }, 0, 1, '-'},
        {"SelfCopyAssign", [](Refs& r) { *r.a = *&*r.a; }, 1, 1, 'P'},
        {"SelfMoveAssign", [](Refs& r) { *r.a = std::move(*&*r.a); }, 1, 1, 'P'},
        {"OwnRecordAssigned", [](Refs& r) { *r.a = &r.p; }, 1, 1, 'P'},
        {"ReturnedByValue", [](Refs& r) { *r.a = ByValue(ByValue(*r.a)); }, 1, 1, 'P'},
        {"UnsharedPreferred", [](Refs& r) { r.a->mUnshared = &r.loose; }, 1, 1, 'L'},
        {"UnsharedNotTakenByCopy", [](Refs& r) { *r.b = &r.loose, *r.a = *r.b; }, 0, 0, '-'}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Refs r;
        *r.a = &r.p, *r.b = &r.q;
        c.step(r);
        EXPECT_EQ(r.p.mRefCount * 10 + r.q.mRefCount, c.p * 10 + c.q);
        EXPECT_EQ(r.a->mPooled == &r.p, c.a != '-');
        EXPECT_EQ(r.a->GetImage() == &r.loose, c.a == 'L');
        EXPECT_EQ(r.app.mCleanSharedImages.load(), c.p == 0 || c.q == 0);
        r.a.reset(), r.b.reset(), r.kept.reset();
        EXPECT_EQ(r.p.mRefCount + r.q.mRefCount, 0);
    }
}

// Counts its own deletions.
struct Mortal : Vorn::MemoryImage {
    explicit Mortal(int& deaths) : MemoryImage(nullptr), mDeaths(deaths) {}
    ~Mortal() override { ++mDeaths; }
    int& mDeaths;
};

// `a` owns X; Y is held by nobody. An assignment frees X only when what comes
// in does not hold X itself, and then `a` keeps X, still owning it.
TEST(ImageRef, AnOwnedImageIsFreedOnlyWhenTheIncomingSideDoesNotHoldIt)
{
    const struct {
        const char* name;
        void (*step)(ImageRef& a, Vorn::MemoryImage* x, Vorn::MemoryImage* y);
        bool xFreed;
        char a;
    } cases[] = {
        {"MoveBackACopy", [](ImageRef& a, auto, auto) { ImageRef b(a); a = std::move(b); }, false, 'X'},
        {"CopyBackACopy", [](ImageRef& a, auto, auto) { const ImageRef b(a); a = b; }, false, 'X'},
        {"ItsOwnPointer", [](ImageRef& a, auto x, auto) { a = x; }, false, 'X'},
        {"AnotherImage", [](ImageRef& a, auto, auto y) { a = y; }, true, 'Y'},
        {"CopyOfAnother", [](ImageRef& a, auto, auto y) { ImageRef b; b = y; a = b; }, true, '-'},
        {"MoveOfAnother", [](ImageRef& a, auto, auto y) { ImageRef b; b = y; a = std::move(b); }, true, 'Y'},
        {"ARecord", [](ImageRef& a, auto, auto) { Vorn::PooledImage p; a = &p; a.Release(); }, true, '-'},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        int xDeaths = 0;
        int yDeaths = 0;
        auto* x = new Mortal(xDeaths);
        Mortal y(yDeaths);
        {
            ImageRef a;
            a = x;
            a.mOwnsUnshared = true;
            c.step(a, x, &y);
            EXPECT_EQ(xDeaths, c.xFreed ? 1 : 0);
            EXPECT_EQ(a.GetImage(), c.a == 'X' ? x : c.a == 'Y' ? &y : nullptr);
            EXPECT_EQ(a.mOwnsUnshared, c.a == 'X');
        }
        EXPECT_EQ(xDeaths, 1);
        EXPECT_EQ(yDeaths, 0);
    }
}

} // namespace
