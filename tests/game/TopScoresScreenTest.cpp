#include "game/TopScoresScreen.h"

#include "GameDataFolder.h"
#include "ScreenFixture.h"
#include "framework/display/DDInterface.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/MemoryImage.h"
#include "framework/resources/PakInterface.h"
#include "framework/resources/ResourceManager.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/EditWidget.h"
#include "framework/widgets/HyperlinkWidget.h"
#include "framework/widgets/WidgetManager.h"
#include "game/TopScores.h"
#include "platform/Window.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using Vorn::Rect;

// Three players; the ended game's 750 entered as the third row, saved with
// an empty name. The table is padded from half of 700: 175, 87, 43, 21, 10
// and 5.
constexpr const char* kTableWithNewRow = "900 Ann\n800 Bob\n750 \n700 Dee\n";

// The fixed font is 6 pixels a character: scores end at x 300, names start
// at 400, rows from baseline 180 every 35.
const std::vector<std::string> kRowsAfterNewRow = {"900@282,180 #ffffffff", "Ann@400,180 #ffffffff",
    "800@282,215 #ffffffff", "Bob@400,215 #ffffffff", "750@282,250 #ffffffff", "700@282,285 #ffffffff",
    "Dee@400,285 #ffffffff", "175@282,320 #ffffffff", "Anonymous@400,320 #ffffffff", "87@288,355 #ffffffff",
    "Anonymous@400,355 #ffffffff", "43@288,390 #ffffffff", "Anonymous@400,390 #ffffffff",
    "21@288,425 #ffffffff", "Anonymous@400,425 #ffffffff", "10@288,460 #ffffffff", "Anonymous@400,460 #ffffffff",
    "5@294,495 #ffffffff", "Anonymous@400,495 #ffffffff"};

class Scores : public Testing::ScreenFixture {
protected:
    ~Scores() override { gNewTopScoreIndex = -1; }

    // As the title's SCORES button opens it.
    TopScoresScreen* Open(const std::string& table, int newRow)
    {
        if (!table.empty())
            mData.WriteFile("Save/topscores", table);
        gNewTopScoreIndex = newRow;
        auto* screen = new TopScoresScreen();
        screen->CreateWidgets();
        screen->Resize(0, 0, 800, 600);
        app.mWidgetManager->AddWidget(screen);
        return screen;
    }
    bool Attached(const Vorn::Widget* widget) const
    {
        return widget && app.mWidgetManager->HasWidget(const_cast<Vorn::Widget*>(widget));
    }
    // The texts the screen writes; the background is always drawn first.
    std::vector<std::string> Drawn(TopScoresScreen* screen)
    {
        mFont.mRuns.clear();
        Testing::RecordingImage target(800, 600);
        Vorn::Graphics g(&target);
        screen->Draw(&g);
        EXPECT_THAT(target.mCalls, ElementsAre("Blt scores background 0,0 src=0,0,800,600 #ffffffff m0"));
        return mFont.mRuns;
    }
    void Click(int x, int y, int clickCode = 1)
    {
        app.mWidgetManager->MouseMove(x, y);
        app.mWidgetManager->MouseDown(x, y, clickCode);
        app.mWidgetManager->MouseUp(x, y, clickCode);
    }
    void Type(const std::string& text)
    {
        for (const char c : text)
            app.mWidgetManager->KeyChar(c);
    }
    void Enter()
    {
        app.mWidgetManager->KeyDown(Platform::VK_RETURN);
        app.mWidgetManager->KeyUp(Platform::VK_RETURN);
    }
    // A click leaves the screen when nothing is pending.
    void ExpectLeftOnClick(TopScoresScreen* screen)
    {
        const std::vector<Vorn::Widget*> controls = {screen->mReturnButton.get(), screen->mYesButton.get(),
            screen->mNoButton.get(), screen->mNameField.get()};
        app.mPlayed.clear();
        Click(50, 50);
        EXPECT_FALSE(Attached(screen));
        for (const Vorn::Widget* control : controls)
            EXPECT_FALSE(Attached(control));
        EXPECT_EQ(screen->mReturnButton, nullptr);
        EXPECT_THAT(app.mPlayed, ElementsAre(kSoundButton));
        EXPECT_EQ(gNewTopScoreIndex, -1);
        app.DeleteQueuedWidgets();
    }
};

// Without a new row the table shows at once: YES and NO hidden and
// disabled, no name field, the return link hidden under the table.
TEST_F(Scores, WithoutANewRowTheTableShowsAndAClickLeaves)
{
    TopScoresScreen* screen = Open("", -1);
    EXPECT_EQ(screen->mNameField, nullptr);
    for (Vorn::ButtonWidget* button : {screen->mYesButton.get(), screen->mNoButton.get()}) {
        EXPECT_TRUE(Attached(button));
        EXPECT_FALSE(button->mVisible);
        EXPECT_TRUE(button->mDisabled);
        EXPECT_TRUE(button->mDoFinger);
        EXPECT_EQ(button->mOverImage, button->mButtonImage);
        EXPECT_EQ(button->mNormalRect, Rect(0, 0, button->mWidth, button->mHeight));
        EXPECT_EQ(button->mOverRect, Rect(0, button->mHeight, button->mWidth, button->mHeight));
    }
    // YES 180 x 90 centred on (400, 290), NO 160 x 70 on (400, 340).
    EXPECT_EQ(screen->mYesButton->GetRect(), Rect(310, 268, 180, 45));
    EXPECT_EQ(screen->mNoButton->GetRect(), Rect(320, 323, 160, 35));
    EXPECT_EQ(screen->mYesButton->mId, 0);
    EXPECT_EQ(screen->mNoButton->mId, 1);
    EXPECT_EQ(screen->mYesButton->mButtonImage, IMAGE_MENU_YES);
    EXPECT_EQ(screen->mNoButton->mButtonImage, IMAGE_MENU_NO);

    // 19 characters, 114 wide, centred on 400; 14 high plus 4, 40 above the
    // font height from the bottom.
    const Vorn::HyperlinkWidget& link = *screen->mReturnButton;
    EXPECT_TRUE(Attached(&link));
    EXPECT_EQ(link.GetRect(), Rect(343, 546, 114, 18));
    EXPECT_FALSE(link.mVisible);
    EXPECT_FALSE(link.mDisabled);
    EXPECT_TRUE(link.mDoFinger);
    EXPECT_EQ(link.mId, 1);
    EXPECT_EQ(link.mLabel, "RETURN TO MAIN MENU");
    EXPECT_EQ(link.mColor, Vorn::Color(128, 64, 0));
    EXPECT_EQ(link.mOverColor, Vorn::Color(255, 128, 0));
    EXPECT_EQ(link.mUnderlineSize, 1);
    EXPECT_NE(link.mFont, nullptr);

    // An empty table: 5000 halved down to 9.
    EXPECT_THAT(Drawn(screen),
        ElementsAre("5000@276,180 #ffffffff", "Anonymous@400,180 #ffffffff", "2500@276,215 #ffffffff",
            "Anonymous@400,215 #ffffffff", "1250@276,250 #ffffffff", "Anonymous@400,250 #ffffffff",
            "625@282,285 #ffffffff", "Anonymous@400,285 #ffffffff", "312@282,320 #ffffffff",
            "Anonymous@400,320 #ffffffff", "156@282,355 #ffffffff", "Anonymous@400,355 #ffffffff",
            "78@288,390 #ffffffff", "Anonymous@400,390 #ffffffff", "39@288,425 #ffffffff",
            "Anonymous@400,425 #ffffffff", "19@288,460 #ffffffff", "Anonymous@400,460 #ffffffff",
            "9@294,495 #ffffffff", "Anonymous@400,495 #ffffffff"));

    // Cursors are the system's while it shows, and it is redrawn each update.
    app.mCustomCursorsEnabled = true;
    screen->mDirty = false;
    screen->Update();
    EXPECT_FALSE(app.mCustomCursorsEnabled);
    EXPECT_TRUE(screen->mDirty);
    ExpectLeftOnClick(screen);
}

// Any button, the right one too, leaves; a row index outside the ten shown
// asks nothing and is forgotten on leaving.
TEST_F(Scores, AnyButtonLeavesAndAnIndexOutsideTheTableAsksNothing)
{
    for (const int clickCode : {-1, 3}) {
        SCOPED_TRACE(clickCode);
        TopScoresScreen* screen = Open("", 10);
        EXPECT_EQ(screen->mNameField, nullptr);
        EXPECT_TRUE(screen->mYesButton->mDisabled);
        Click(50, 50, clickCode);
        EXPECT_FALSE(Attached(screen));
        EXPECT_EQ(gNewTopScoreIndex, -1);
        app.DeleteQueuedWidgets();
    }
}

// Only ten rows, however long the file.
TEST_F(Scores, NeverMoreThanTenRows)
{
    std::string table;
    for (int score = 1200; score > 0; score -= 100)
        table += std::to_string(score) + " P" + std::to_string(score / 100) + "\n";
    TopScoresScreen* screen = Open(table, -1);
    const std::vector<std::string> runs = Drawn(screen);
    ASSERT_EQ(runs.size(), 20u);
    EXPECT_EQ(runs.front(), "1200@276,180 #ffffffff");
    EXPECT_EQ(runs.back(), "P3@400,495 #ffffffff");
    ExpectLeftOnClick(screen);
}

// The question first; YES opens the name field over the new row, which
// takes 16 allowed characters; Enter saves the name; then a click leaves.
TEST_F(Scores, YesTakesTheNameIntoTheNewRowAndSavesIt)
{
    TopScoresScreen* screen = Open(kTableWithNewRow, 2);
    ASSERT_NE(screen->mNameField, nullptr);
    Vorn::EditWidget& field = *screen->mNameField;
    EXPECT_EQ(field.mId, 1);
    EXPECT_EQ(field.mMaxChars, 16);
    EXPECT_EQ(field.mEditListener, screen);
    EXPECT_TRUE(Attached(&field));
    EXPECT_FALSE(field.mVisible);
    EXPECT_TRUE(field.mDisabled);
    for (const Vorn::ButtonWidget* button : {screen->mYesButton.get(), screen->mNoButton.get()}) {
        EXPECT_TRUE(button->mVisible);
        EXPECT_FALSE(button->mDisabled);
    }
    // 31 characters, 186 wide, centred on 400.
    EXPECT_THAT(Drawn(screen), ElementsAre("Do you want to save your score?@307,240 #ffffffff"));
    Click(50, 50);
    EXPECT_TRUE(Attached(screen));

    Click(400, 290);
    EXPECT_FALSE(screen->mYesButton->mVisible);
    EXPECT_TRUE(screen->mYesButton->mDisabled);
    EXPECT_FALSE(screen->mNoButton->mVisible);
    EXPECT_TRUE(screen->mNoButton->mDisabled);
    EXPECT_TRUE(field.mVisible);
    EXPECT_FALSE(field.mDisabled);
    EXPECT_EQ(field.GetRect(), Rect(396, 217, 300, 14));
    EXPECT_EQ(app.mWidgetManager->mFocusWidget, &field);
    // The row being typed is the field's: its name is not drawn.
    std::vector<std::string> rows = kRowsAfterNewRow;
    EXPECT_THAT(Drawn(screen), ElementsAreArray(rows));
    Click(50, 50);
    EXPECT_TRUE(Attached(screen));
    app.mWidgetManager->SetFocus(&field);

    Type("Zed_-9. x!QRSTUVWXYZ");
    EXPECT_EQ(field.mString, "Zed-9 xQRSTUVWXY");
    Enter();
    EXPECT_FALSE(field.mVisible);
    EXPECT_TRUE(field.mDisabled);
    EXPECT_EQ(gNewTopScoreIndex, -1);
    EXPECT_EQ(ScoresFile(), "900 Ann\n800 Bob\n750 Zed-9 xQRSTUVWXY\n700 Dee\n175 Anonymous\n87 Anonymous\n"
                            "43 Anonymous\n21 Anonymous\n10 Anonymous\n5 Anonymous\n");
    rows.insert(rows.begin() + 5, "Zed-9 xQRSTUVWXY@400,250 #ffffffff");
    EXPECT_THAT(Drawn(screen), ElementsAreArray(rows));
    ExpectLeftOnClick(screen);
}

// Enter on an empty field names the row "Anonymous".
TEST_F(Scores, AnEmptyNameIsSavedAsAnonymous)
{
    TopScoresScreen* screen = Open(kTableWithNewRow, 2);
    Click(400, 290);
    Enter();
    EXPECT_EQ(ScoresFile(), "900 Ann\n800 Bob\n750 Anonymous\n700 Dee\n175 Anonymous\n87 Anonymous\n"
                            "43 Anonymous\n21 Anonymous\n10 Anonymous\n5 Anonymous\n");
    ExpectLeftOnClick(screen);
}

// NO shows the table at once with the row's empty name, writes nothing and
// forgets the row, so that nothing typed later could name it.
TEST_F(Scores, NoShowsTheTableAndKeepsTheEmptyName)
{
    TopScoresScreen* screen = Open(kTableWithNewRow, 2);
    Click(400, 340);
    EXPECT_EQ(gNewTopScoreIndex, -1);
    EXPECT_FALSE(screen->mNameField->mVisible);
    EXPECT_TRUE(screen->mYesButton->mDisabled);
    EXPECT_TRUE(screen->mNoButton->mDisabled);
    EXPECT_EQ(ScoresFile(), kTableWithNewRow);
    EXPECT_THAT(Drawn(screen), ElementsAreArray(kRowsAfterNewRow));
    // A late report from a button changes nothing more.
    screen->ButtonDepress(TopScoresScreen::kButtonYes);
    EXPECT_FALSE(screen->mYesButton->mVisible);
    ExpectLeftOnClick(screen);
}

// A new first place takes its name in the top row.
TEST_F(Scores, ANewFirstPlaceIsNamedInTheTopRow)
{
    TopScoresScreen* screen = Open("100 \n", 0);
    Click(400, 290);
    EXPECT_EQ(screen->mNameField->GetRect(), Rect(396, 147, 300, 14));
    Type("Al");
    Enter();
    EXPECT_EQ(ScoresFile(), "100 Al\n25 Anonymous\n12 Anonymous\n6 Anonymous\n3 Anonymous\n1 Anonymous\n"
                            "0 Anonymous\n0 Anonymous\n0 Anonymous\n0 Anonymous\n");
    ExpectLeftOnClick(screen);
}

// A name entered for a row that is no longer in the table names nobody and
// writes nothing.
TEST_F(Scores, ANameForARowOutsideTheTableWritesNothing)
{
    TopScoresScreen* screen = Open("", 2);
    Click(400, 290);
    for (const int row : {-1, 10}) {
        SCOPED_TRACE(row);
        gNewTopScoreIndex = row;
        screen->EditWidgetText(TopScoresScreen::kNameFieldId, "Eve");
        EXPECT_FALSE(screen->mNameField->mVisible);
        EXPECT_EQ(gNewTopScoreIndex, -1);
        EXPECT_EQ(ScoresFile(), "");
    }
    ExpectLeftOnClick(screen);
}

struct CharCase {
    char c;
    bool allowed;
};

class ScoresNameChars : public ::testing::TestWithParam<CharCase> {};

// Digits, both cases of the 26 letters, the blank and '-'; nothing else.
TEST_P(ScoresNameChars, AllowsLettersDigitsBlankAndDash)
{
    TopScoresScreen screen;
    EXPECT_EQ(screen.AllowChar(1, GetParam().c), GetParam().allowed);
}

INSTANTIATE_TEST_SUITE_P(Cases, ScoresNameChars,
    ::testing::Values(CharCase{'0', true}, CharCase{'9', true}, CharCase{'a', true}, CharCase{'z', true},
        CharCase{'A', true}, CharCase{'Z', true}, CharCase{' ', true}, CharCase{'-', true}, CharCase{'/', false},
        CharCase{':', false}, CharCase{'@', false}, CharCase{'[', false}, CharCase{'`', false},
        CharCase{'{', false}, CharCase{'_', false}, CharCase{'.', false}, CharCase{'\t', false},
        CharCase{'\x1f', false}, CharCase{'\xe9', false}, CharCase{',', false}));

struct PanelName {
    const char* name;
    // The rightmost column drawn while the name is typed, and in its row.
    int typedRight;
    int tableRight;
};

// The game's own panel picture and score font, from the data the build made.
class ScoresOnThePanel : public Scores, public ::testing::WithParamInterface<PanelName> {
protected:
    using FontRes = Vorn::ResourceManager::FontRes;
    using ImageRes = Vorn::ResourceManager::ImageRes;

    ScoresOnThePanel()
    {
        std::filesystem::current_path(Testing::kGameFolder);
        mPreviousArchive = std::exchange(Vorn::gPakInterface, &mArchive);
        mArchive.AddArchive(Testing::kGameFolder + "/main.pak");
        app.mDDInterface = std::make_unique<Vorn::DDInterface>(&app);
        Vorn::ResourceManager& resources = *app.mResourceManager;
        resources.ReadManifestFile("properties\\resources.xml");
        resources.LoadFontResource(static_cast<FontRes*>(resources.mFontMap.at("FONT_SCORE").get()));
        resources.LoadImageResource(static_cast<ImageRes*>(resources.mImageMap.at("IMAGE_SCORES_BKG").get()));
        FONT_SCORE = resources.GetFontOrThrow("FONT_SCORE");
        IMAGE_SCORES_BKG = resources.GetImageOrThrow("IMAGE_SCORES_BKG").GetImage();
        mPanel = OverPanel([](Vorn::Graphics&) {});
    }
    ~ScoresOnThePanel() override
    {
        IMAGE_SCORES_BKG = nullptr;
        Vorn::gPakInterface = mPreviousArchive;
    }

    // The panel picture where the screen lays it, with a drawing over it.
    std::vector<uint32_t> OverPanel(const std::function<void(Vorn::Graphics&)>& draw)
    {
        Vorn::MemoryImage image(&app);
        image.Create(800, 600);
        Vorn::Graphics g(&image);
        g.DrawImage(IMAGE_SCORES_BKG, 0, 0);
        draw(g);
        return {image.GetBits(), image.GetBits() + 800 * 600};
    }
    // The rightmost column that a drawing changes on the panel; -1 for none.
    int RightmostDrawn(const std::function<void(Vorn::Graphics&)>& draw)
    {
        const std::vector<uint32_t> drawn = OverPanel(draw);
        int right = -1;
        for (size_t at = 0; at < drawn.size(); ++at) {
            if (drawn[at] != mPanel[at])
                right = std::max(right, static_cast<int>(at % 800));
        }
        return right;
    }
    // From x 400 on the top row toward the step's side, the first column where
    // the border's gold stands out of the panel's blue.
    int InnerEdge(int step) const
    {
        int x = 400;
        while (x > 0 && x < 799 && ((mPanel[static_cast<size_t>(170 * 800 + x)] >> 16) & 0xFFu) < 0x80u)
            x += step;
        return x;
    }

    Vorn::PakInterface mArchive;
    Vorn::PakInterface* mPreviousArchive = nullptr;
    std::vector<uint32_t> mPanel;
};

// The border, centred, begins at x 64 and x 735, clear of the 300-pixel field
// from x 396. A name too wide for it is shrunk: typed, where it never scrolls,
// and in its row.
TEST_P(ScoresOnThePanel, ANameStaysInsideTheBorderWhileTypedAndInTheTable)
{
    const PanelName& param = GetParam();
    EXPECT_EQ(InnerEdge(-1), 64);
    EXPECT_EQ(InnerEdge(1), 735);
    // No allowed character, first or after any other, adds more than a W.
    const std::string allowed = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ -";
    for (const char previous : std::string(1, '\0') + allowed) {
        for (const char c : allowed)
            EXPECT_LE(FONT_SCORE->CharWidthWithKerning(c, previous), FONT_SCORE->CharWidth('W'));
    }

    TopScoresScreen* screen = Open("900 \n", 0);
    Vorn::EditWidget& field = *screen->mNameField;
    Click(400, 290);
    Type(param.name);
    ASSERT_EQ(field.mString, param.name);
    EXPECT_EQ(field.mLeftPos, 0);
    const auto typed = [&](Vorn::Graphics& g) { g.Translate(field.mX, field.mY); field.Draw(&g); };
    EXPECT_EQ(RightmostDrawn(typed), param.typedRight);
    Enter();
    EXPECT_EQ(RightmostDrawn([&](Vorn::Graphics& g) { screen->Draw(&g); }), param.tableRight);
    EXPECT_LT(std::max(param.typedRight, param.tableRight), InnerEdge(1));
    ExpectLeftOnClick(screen);
}

// At full size: sixteen Ws 496 wide; "Tester1 abc-d XY" 266 (it crossed the
// old border at x 649); "Wim Wouterse-Mol" 300, the field's width but over
// its room of 290; "Hermann Wiemann" 302, shrunk to 288 since each advance is
// truncated on its own.
INSTANTIATE_TEST_SUITE_P(Names, ScoresOnThePanel,
    ::testing::Values(PanelName{"WWWWWWWWWWWWWWWW", 689, 689}, PanelName{"Tester1 abc-d XY", 669, 669},
        PanelName{"Wim Wouterse-Mol", 684, 701}, PanelName{"Hermann Wiemann", 685, 688}));

} // namespace
