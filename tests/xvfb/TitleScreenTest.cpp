// The real program under a virtual X server, as a player meets it: the title
// picture with the main menu where it belongs once loading has ended, and
// real clicks through its buttons to the difficulty choice, the help, a
// game and back, and out.

#include "fakes/PoolingApp.h"
#include "fakes/TempDir.h"
#include "fakes/XvfbRun.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/PakInterface.h"
#include "framework/resources/ResourceManager.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace {

// The game's pictures by id, read from the archive beside the program.
class GamePictures {
public:
    explicit GamePictures(const std::string& folder)
        : mPrevious(std::exchange(Vorn::gPakInterface, &mPak)), mAdded(mPak.AddArchive(folder + "/main.pak"))
    {
        mRead = mAdded && mResources.ReadManifestFile("properties\\resources.xml");
    }
    ~GamePictures() { Vorn::gPakInterface = mPrevious; }
    GamePictures(const GamePictures&) = delete;
    GamePictures& operator=(const GamePictures&) = delete;

    bool Read() const { return mRead; }
    // Null when the id is not a picture that loads.
    Vorn::MemoryImage* Get(const std::string& id)
    {
        const auto record = mResources.mImageMap.find(id);
        if (record == mResources.mImageMap.end() ||
            !mResources.LoadImageResource(static_cast<Vorn::ResourceManager::ImageRes*>(record->second.get())))
            return nullptr;
        mHeld.push_back(mResources.GetImageOrThrow(id));
        return mHeld.back().GetImage();
    }

private:
    Vorn::PakInterface mPak;
    Vorn::PakInterface* mPrevious;
    bool mAdded;
    Testing::PoolingApp mApp;
    Vorn::ResourceManager mResources{&mApp};
    std::vector<Vorn::ImageRef> mHeld;
    bool mRead = false;
};

uint32_t Channel(uint32_t pixel, int shift)
{
    return pixel >> shift & 0xFF;
}

// The picture's pixel straight over the title's, channel by channel.
uint32_t Over(uint32_t top, uint32_t bottom)
{
    const uint32_t a = top >> 24;
    uint32_t result = 0;
    for (const int shift : {16, 8, 0})
        result |= (Channel(top, shift) * a + Channel(bottom, shift) * (255 - a) + 127) / 255 << shift;
    return result;
}

bool Near(uint32_t a, uint32_t b)
{
    for (const int shift : {16, 8, 0})
        if (std::abs(static_cast<int>(Channel(a, shift)) - static_cast<int>(Channel(b, shift))) > 4)
            return false;
    return true;
}

struct Placed {
    const char* id;
    int centreY;
};

// The screenshot against the title picture with the buttons' normal cels
// laid over it at their places: the share of pixels that match, in the
// buttons and elsewhere.
struct Match {
    double buttons;
    double rest;
};

Match Compare(const Testing::Screenshot& shot, GamePictures& pictures, const std::vector<Placed>& buttons)
{
    Vorn::MemoryImage* title = pictures.Get("IMAGE_LOGO");
    std::vector<uint32_t> expected(title->GetBits(), title->GetBits() + 800 * 600);
    std::vector<bool> inButton(800 * 600, false);
    // The logo button at the bottom is left out: its glow pulses.
    Vorn::MemoryImage* logo = pictures.Get("IMAGE_MENU_LOGO2");
    const int logoLeft = 400 - logo->GetWidth() / 2;
    const int logoTop = 528 - logo->GetHeight() / 2 / 2;
    const auto pulsing = [&](int x, int y) {
        return x >= logoLeft && x < logoLeft + logo->GetWidth() && y >= logoTop && y < logoTop + logo->GetHeight() / 2;
    };
    for (const Placed& placed : buttons) {
        Vorn::MemoryImage* picture = pictures.Get(placed.id);
        const int width = picture->GetWidth();
        const int height = picture->GetHeight() / 2;
        const int left = 400 - width / 2;
        const int top = placed.centreY - height / 2;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const size_t at = static_cast<size_t>((top + y) * 800 + left + x);
                expected[at] = Over(picture->GetBits()[y * width + x], expected[at]);
                inButton[at] = true;
            }
    }
    size_t buttonPixels = 0;
    size_t buttonMatches = 0;
    size_t restPixels = 0;
    size_t restMatches = 0;
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x) {
            const size_t at = static_cast<size_t>(y * 800 + x);
            if (pulsing(x, y))
                continue;
            const bool match = Near(shot.At(x, y), expected[at] & 0xFFFFFF);
            (inButton[at] ? buttonPixels : restPixels) += 1;
            (inButton[at] ? buttonMatches : restMatches) += match;
        }
    return {static_cast<double>(buttonMatches) / static_cast<double>(buttonPixels),
        static_cast<double>(restMatches) / static_cast<double>(restPixels)};
}

// Once the loading thread reports its end, the main menu shows: PLAY,
// SCORES, OPTIONS and EXIT on their rows over the title picture, with the
// pointer away from them. PLAY leads to the difficulty choice; HOW TO PLAY
// lays the help over it and a click takes it away; EASY starts a game, its
// menu button leaves it for the main menu, and EXIT ends the program.
TEST(Title, ShowsTheMainMenuAndLeadsThroughItsButtonsInARealWindow)
{
    if (!Testing::HasXvfb())
        GTEST_SKIP() << "needs xvfb-run";
    const std::string folder = std::filesystem::path(ZARQUEL).parent_path().string();
    Testing::TempDir dir;
    const std::string script =
        "cd \"" + folder + "\"\nX=\"" XPROBE "\"\nT=Zarquel\nO=\"" + dir.Path() + "\"\n"
        "XDG_DATA_HOME=\"$O\" ./zarquel >\"$O/run.log\" 2>&1 & Z=$!\n"
        "\"$X\" wait $T 30 &&\n"
        "  for i in $(seq 300); do grep -q 'Resource Loading Time' \"$O/run.log\" && break; sleep 0.1; done &&\n"
        "  sleep 0.5 && \"$X\" shot $T \"$O/first.ppm\" &&\n"
        "  \"$X\" move $T 20 20 && sleep 0.5 && \"$X\" shot $T \"$O/menu.ppm\" &&\n"
        "  \"$X\" click $T 400 240 && \"$X\" move $T 20 20 && sleep 0.5 && \"$X\" shot $T \"$O/choice.ppm\" &&\n"
        "  \"$X\" click $T 400 240 && sleep 0.5 && \"$X\" shot $T \"$O/help.ppm\" &&\n"
        "  \"$X\" click $T 20 20 && sleep 0.5 && \"$X\" shot $T \"$O/back.ppm\" &&\n"
        "  \"$X\" click $T 400 290 && sleep 0.5 && \"$X\" shot $T \"$O/game.ppm\" &&\n"
        "  \"$X\" click $T 743 28 && \"$X\" move $T 20 20 && sleep 0.5 && \"$X\" shot $T \"$O/again.ppm\" &&\n"
        "  \"$X\" click $T 400 440\n"
        "for i in $(seq 100); do kill -0 $Z 2>/dev/null || break; sleep 0.1; done\n"
        "kill $Z 2>/dev/null; wait $Z; echo $? >\"$O/code\"\n";
    ASSERT_TRUE(Testing::RunUnderXvfb(dir, script, 120));
    EXPECT_EQ(Testing::ReadTextFile(dir / "code"), "0\n") << Testing::ReadTextFile(dir / "run.log");

    GamePictures pictures(folder);
    ASSERT_TRUE(pictures.Read());
    const std::vector<Placed> menu = {
        {"IMAGE_MENU_PLAY", 240}, {"IMAGE_MENU_SCORES", 290}, {"IMAGE_MENU_OPTIONS", 340}, {"IMAGE_MENU_EXIT", 440}};
    const std::vector<Placed> choice = {{"IMAGE_MENU_BEGINNER", 240}, {"IMAGE_MENU_EASY", 290},
        {"IMAGE_MENU_NORMAL", 340}, {"IMAGE_MENU_HARD", 390}};
    const struct {
        const char* shot;
        const std::vector<Placed>* buttons;
    } screens[] = {{"menu.ppm", &menu}, {"choice.ppm", &choice}, {"back.ppm", &choice}, {"again.ppm", &menu}};
    for (const auto& screen : screens) {
        SCOPED_TRACE(screen.shot);
        const Testing::Screenshot shot = Testing::ReadScreenshot(dir / screen.shot);
        ASSERT_EQ(shot.width, 800);
        ASSERT_EQ(shot.height, 600);
        const Match match = Compare(shot, pictures, *screen.buttons);
        EXPECT_GT(match.buttons, 0.99);
        EXPECT_GT(match.rest, 0.97);
    }
    // Shown as soon as loading ends, before any input: the pointer may be
    // over one of them, which then shows its other cel.
    {
        const Match match = Compare(Testing::ReadScreenshot(dir / "first.ppm"), pictures, menu);
        EXPECT_GT(match.buttons, 0.7);
        EXPECT_GT(match.rest, 0.97);
    }
    for (const char* other : {"help.ppm", "game.ppm"}) {
        SCOPED_TRACE(other);
        const Match match = Compare(Testing::ReadScreenshot(dir / other), pictures, menu);
        EXPECT_LT(match.rest, 0.2);
    }
}

} // namespace
