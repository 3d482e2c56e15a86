#pragma once
// The game application, not started, with the pictures of the screens laid
// over the title, each of its own size and named so that a drawing shows
// which it took; the score font is a fixed-width font that writes down what
// it draws, and the save folder is a fresh one. Screen-mode changes asked of
// the application are written down instead of made.

#include "TestGameApp.h"
#include "fakes/FixedFont.h"
#include "fakes/RecordingImage.h"
#include "fakes/TempDir.h"
#include "framework/app/PathUtils.h"
#include "game/GameResources.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace Vorn {

// A rectangle prints as its four numbers in a failed expectation.
inline void PrintTo(const Rect& r, std::ostream* os)
{
    *os << "(" << r.mX << ", " << r.mY << ", " << r.mWidth << ", " << r.mHeight << ")";
}

} // namespace Vorn

namespace Testing {

class ScreenApp : public TestGameApp {
public:
    void ChangeScreenModeKeep3D(bool windowed) override { mScreenModes.push_back(windowed); }

    std::vector<bool> mScreenModes;
};

class ScreenFixture : public ::testing::Test {
protected:
    static constexpr int kSoundButton = 7;
    static constexpr int kSoundClick = 9;

    ScreenFixture()
    {
        Vorn::SetAppDataFolder(mData.Path() + "/");
        IMAGE_DIALOG_OPTIONS = Picture(560, 460, "dialog", 1);
        IMAGE_SLIDER_TRACK = Picture(202, 20, "track", 1);
        IMAGE_SLIDER_THUMB = Picture(24, 30, "thumb", 1);
        IMAGE_CHECKBOX = Picture(70, 36, "checkbox", 1);
        IMAGE_BTN_OK = Picture(84, 80, "ok", 2);
        IMAGE_BTN_CANCEL = Picture(120, 80, "cancel", 2);
        IMAGE_MENU_YES = Picture(180, 90, "yes", 2);
        IMAGE_MENU_NO = Picture(160, 70, "no", 2);
        IMAGE_SCORES_BKG = Picture(800, 600, "scores background", 1);
        IMAGE_HELP_SCREEN = Picture(800, 600, "help", 1);
        IMAGE_BKG_1_1 = Picture(800, 600, "floor", 1);
        IMAGE_TRACK_1 = Picture(800, 600, "track 1", 1);
        FONT_SCORE = &mFont;
        SOUND_BTN = kSoundButton;
        SOUND_CLICK = kSoundClick;
    }
    ~ScreenFixture() override
    {
        app.DeleteQueuedWidgets();
        FONT_SCORE = nullptr;
        Vorn::SetAppDataFolder("");
    }

    Vorn::Image* Picture(int width, int height, const std::string& name, int rows)
    {
        mPictures.push_back(std::make_unique<RecordingImage>(width, height, name));
        mPictures.back()->mNumRows = rows;
        return mPictures.back().get();
    }

    std::string ScoresFile() const
    {
        std::ifstream in(mData / "Save/topscores");
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

    TempDir mData;
    std::vector<std::unique_ptr<RecordingImage>> mPictures;
    FixedFont mFont;
    ScreenApp app;
};

} // namespace Testing
