#include "game/OptionsDialog.h"

#include "ScreenFixture.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/Checkbox.h"
#include "framework/widgets/Slider.h"
#include "framework/widgets/WidgetManager.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace {

using ::testing::ElementsAre;
using Vorn::OptionsDialog;
using Vorn::Rect;

// The dialog as the title opens it: 560 x 460, centred on 800, 15 from the
// top, so at (120, 15).
class Options : public Testing::ScreenFixture {
protected:
    OptionsDialog* Open()
    {
        auto* dialog = new OptionsDialog();
        dialog->Resize(120, 15, 560, 460);
        app.AddDialog(6, dialog);
        return dialog;
    }
    bool Attached(const Vorn::Widget* widget) const
    {
        return app.mWidgetManager->HasWidget(const_cast<Vorn::Widget*>(widget));
    }
    void Click(int x, int y)
    {
        app.mWidgetManager->MouseMove(x, y);
        app.mWidgetManager->MouseDown(x, y, 1);
        app.mWidgetManager->MouseUp(x, y, 1);
    }
};

// Sliders at (x + 360, y + 216) and (x + 360, y + 285), the track's width
// less 2 long and the thumb's height high; OK at (x + 306, y + 395) and
// Cancel at (x + 396, y + 395) one cel high; the box at (x + 314, y + 338)
// half the box picture wide: its states are the picture's halves.
TEST_F(Options, PlacesItsControlsAndShowsTheCurrentSettings)
{
    for (const bool windowed : {true, false}) {
        SCOPED_TRACE(windowed);
        app.mMusicVolume = 0.25;
        app.mSfxVolume = 0.5;
        app.mIsWindowed = windowed;
        app.mPlayed.clear();
        OptionsDialog* dialog = Open();
        EXPECT_EQ(dialog->mMusicSlider->GetRect(), Rect(480, 231, 200, 30));
        EXPECT_EQ(dialog->mSoundSlider->GetRect(), Rect(480, 300, 200, 30));
        EXPECT_EQ(dialog->mOkButton->GetRect(), Rect(426, 410, 84, 40));
        EXPECT_EQ(dialog->mCancelButton->GetRect(), Rect(516, 410, 120, 40));
        EXPECT_EQ(dialog->mFullScreenCheckbox->GetRect(), Rect(434, 353, 35, 36));
        EXPECT_EQ(dialog->mFullScreenCheckbox->mUncheckedRect, Rect(0, 0, 35, 36));
        EXPECT_EQ(dialog->mFullScreenCheckbox->mCheckedRect, Rect(35, 0, 35, 36));
        EXPECT_EQ(dialog->mFullScreenCheckbox->mUncheckedImage, IMAGE_CHECKBOX);
        EXPECT_EQ(dialog->mFullScreenCheckbox->mCheckedImage, IMAGE_CHECKBOX);
        EXPECT_EQ(dialog->mFullScreenCheckbox->mChecked, !windowed);
        EXPECT_EQ(dialog->mMusicSlider->mVal, 0.25);
        EXPECT_EQ(dialog->mSoundSlider->mVal, 0.5);
        EXPECT_EQ(dialog->mMusicSlider->mId, 0);
        EXPECT_EQ(dialog->mSoundSlider->mId, 1);
        EXPECT_EQ(dialog->mFullScreenCheckbox->mId, 4);
        for (const Vorn::Slider* slider : {dialog->mMusicSlider.get(), dialog->mSoundSlider.get()}) {
            EXPECT_EQ(slider->mListener, dialog);
            EXPECT_EQ(slider->mTrackImage, IMAGE_SLIDER_TRACK);
            EXPECT_EQ(slider->mThumbImage, IMAGE_SLIDER_THUMB);
        }
        EXPECT_EQ(dialog->mFullScreenCheckbox->mListener, dialog);
        const std::vector<Vorn::Widget*> controls = {dialog->mMusicSlider.get(), dialog->mSoundSlider.get(),
            dialog->mOkButton.get(), dialog->mCancelButton.get(), dialog->mFullScreenCheckbox.get()};
        for (const Vorn::Widget* control : controls)
            EXPECT_TRUE(Attached(control));
        // Told nobody: opening changes nothing.
        EXPECT_TRUE(app.mPlayed.empty());

        dialog->ButtonDepress(OptionsDialog::kButtonCancel);
        for (const Vorn::Widget* control : controls)
            EXPECT_FALSE(Attached(control));
        app.DeleteQueuedWidgets();
    }
}

// Moves take effect at once; Cancel puts both volumes back as they were at
// opening and leaves the display alone.
TEST_F(Options, SlidersSetTheVolumesLiveAndCancelRestoresThem)
{
    app.mMusicVolume = 0.75;
    app.mSfxVolume = 0.5;
    OptionsDialog* dialog = Open();
    // The music track from x 480: a click at 530 is a quarter along.
    Click(530, 240);
    EXPECT_EQ(app.GetMusicVolume(), 0.25);
    EXPECT_EQ(app.GetSfxVolume(), 0.5);
    Click(630, 310);
    EXPECT_EQ(app.GetSfxVolume(), 0.75);
    EXPECT_THAT(app.mPlayed, ElementsAre(kSoundClick));

    dialog->ButtonDepress(OptionsDialog::kButtonCancel);
    EXPECT_EQ(app.GetMusicVolume(), 0.75);
    EXPECT_EQ(app.GetSfxVolume(), 0.5);
    EXPECT_TRUE(app.mScreenModes.empty());
    EXPECT_EQ(app.GetDialog(6), nullptr);
    EXPECT_THAT(app.mPlayed, ElementsAre(kSoundClick, kSoundButton));
}

// While the thumb is dragged the level changes without a click; letting it
// go plays one. The music slider never clicks.
TEST_F(Options, DraggingTheSoundThumbClicksOnlyAtTheRelease)
{
    app.mSfxVolume = 0.0;
    app.mMusicVolume = 0.0;
    Open();
    Vorn::WidgetManager& manager = *app.mWidgetManager;
    // The thumb at the track's start: x 480..503, grabbed 4 in.
    manager.MouseMove(484, 310);
    manager.MouseDown(484, 310, 1);
    manager.MouseMove(528, 310);
    EXPECT_EQ(app.GetSfxVolume(), 0.25);
    manager.MouseMove(572, 310);
    EXPECT_EQ(app.GetSfxVolume(), 0.5);
    EXPECT_TRUE(app.mPlayed.empty());
    manager.MouseUp(572, 310, 1);
    EXPECT_THAT(app.mPlayed, ElementsAre(kSoundClick));

    manager.MouseMove(484, 241);
    manager.MouseDown(484, 241, 1);
    manager.MouseMove(660, 241);
    manager.MouseUp(660, 241, 1);
    EXPECT_EQ(app.GetMusicVolume(), 1.0);
    EXPECT_THAT(app.mPlayed, ElementsAre(kSoundClick));
}

struct BoxCase {
    const char* name;
    bool windowedAtOpening;
    bool forcedFullScreen;
    // Clicks on the box before OK.
    int clicks;
    bool checkedAfter;
    bool refused;
};

class OptionsBox : public Options, public ::testing::WithParamInterface<BoxCase> {};

// OK always asks for the display mode of the box; unchecking the box on a
// desktop that allows no window is refused with a message.
TEST_P(OptionsBox, OkAppliesTheBoxAndARefusedWindowKeepsItChecked)
{
    const BoxCase& c = GetParam();
    app.mIsWindowed = c.windowedAtOpening;
    app.mForceFullScreen = c.forcedFullScreen;
    app.mMusicVolume = 0.5;
    OptionsDialog* dialog = Open();
    for (int i = 0; i < c.clicks; ++i)
        Click(440, 360);
    EXPECT_EQ(dialog->mFullScreenCheckbox->mChecked, c.checkedAfter);
    Vorn::Dialog* message = app.GetDialog(OptionsDialog::kNoWindowedModeDialogId);
    EXPECT_EQ(message != nullptr, c.refused);
    if (message) {
        EXPECT_EQ(message->mDialogHeader, "No Windowed Mode");
        EXPECT_EQ(message->mDialogLines, "Windowed mode is only available if your desktop is running in\n\t\t\t\t"
                                         "either 16 bit or 32 bit color mode, which it is not.");
        EXPECT_EQ(message->mDialogFooter, "OK");
        EXPECT_EQ(message->mButtonMode, Vorn::Dialog::kButtonsFooter);
        EXPECT_TRUE(message->IsModal());
        app.CloseDialog(OptionsDialog::kNoWindowedModeDialogId);
    }
    EXPECT_TRUE(dialog->mDirty);
    dialog->ButtonDepress(OptionsDialog::kButtonOk);
    EXPECT_THAT(app.mScreenModes, ElementsAre(!c.checkedAfter));
    EXPECT_EQ(app.GetDialog(6), nullptr);
    EXPECT_EQ(app.GetMusicVolume(), 0.5);
    EXPECT_THAT(app.mPlayed, ElementsAre(kSoundButton));
}

INSTANTIATE_TEST_SUITE_P(Cases, OptionsBox,
    ::testing::Values(BoxCase{"untouchedWindow", true, false, 0, false, false},
        BoxCase{"untouchedFullScreen", false, false, 0, true, false},
        BoxCase{"toFullScreen", true, false, 1, true, false},
        BoxCase{"toWindow", false, false, 1, false, false},
        BoxCase{"toWindowRefused", false, true, 1, true, true},
        BoxCase{"toFullScreenWhileForced", true, true, 1, true, false},
        BoxCase{"backAndForth", true, false, 2, false, false}),
    [](const auto& info) { return std::string(info.param.name); });

// What the player set is in the settings store when the program ends and is
// what the next start reads back.
TEST_F(Options, VolumesAndFullScreenAreSavedAndReadAtTheNextStart)
{
    app.mMusicVolume = 0.85;
    app.mSfxVolume = 0.85;
    app.mIsWindowed = true;
    OptionsDialog* dialog = Open();
    Click(530, 240);
    Click(580, 310);
    Click(440, 360);
    // The mode switch itself is the display's; the store keeps its outcome.
    app.mIsWindowed = !dialog->mFullScreenCheckbox->mChecked;
    dialog->ButtonDepress(OptionsDialog::kButtonOk);
    app.SaveSettings();

    // The next start begins from the defaults and reads the store.
    app.mMusicVolume = 0.85;
    app.mSfxVolume = 0.85;
    app.mIsWindowed = true;
    app.LoadSettings();
    EXPECT_EQ(app.GetMusicVolume(), 0.25);
    EXPECT_EQ(app.GetSfxVolume(), 0.5);
    EXPECT_FALSE(app.mIsWindowed);
}

// The picture is the whole dialog.
TEST_F(Options, DrawsOnlyItsPicture)
{
    OptionsDialog* dialog = Open();
    Testing::RecordingImage screen(800, 600);
    Vorn::Graphics g(&screen);
    dialog->Draw(&g);
    EXPECT_THAT(screen.mCalls, ElementsAre("Blt dialog 0,0 src=0,0,560,460 #ffffffff m0"));
}

} // namespace
