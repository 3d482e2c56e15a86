#include "framework/widgets/EditWidget.h"

#include "fakes/FixedFont.h"
#include "fakes/RecordingImage.h"
#include "fakes/ScriptedApp.h"
#include "fakes/ScriptedClock.h"
#include "fakes/WindowedApp.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/SysFont.h"
#include "framework/widgets/EditListener.h"
#include "framework/widgets/WidgetManager.h"
#include "platform/Clipboard.h"
#include "platform/Window.h"
#include "platform/sdl/SdlVideo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace {

using Testing::FixedFont;
using Testing::RecordingImage;
using ::testing::ElementsAre;
using ::testing::IsEmpty;
using Vorn::EditWidget;
using Vorn::Rect;

class EditLog : public Vorn::EditListener {
public:
    void EditWidgetText(int id, const std::string& text) override
    {
        mCalls.push_back(std::to_string(id) + " enter " + text);
    }
    bool AllowKey(int, int keyCode) override { return mAllowKey(keyCode); }
    bool AllowChar(int, char c) override { return mAllowChar(c); }
    bool AllowText(int, const std::string& text) override { return mAllowText(text); }

    std::vector<std::string> mCalls;
    std::function<bool(int)> mAllowKey = [](int) { return true; };
    std::function<bool(char)> mAllowChar = [](char) { return true; };
    std::function<bool(const std::string&)> mAllowText = [](const std::string&) { return true; };
};

// What the desktop delivers for one key, as the application hands it to the
// manager (and a demo records it): modifiers down, the key down, its typed
// character if it has one, the key up, modifiers up.
void Stroke(Vorn::WidgetManager& manager, const std::vector<int>& modifiers, int key, char c)
{
    for (const int modifier : modifiers)
        manager.KeyDown(modifier);
    manager.KeyDown(key);
    if (c != 0)
        manager.KeyChar(c);
    manager.KeyUp(key);
    for (auto it = modifiers.rbegin(); it != modifiers.rend(); ++it)
        manager.KeyUp(*it);
}

void TypeChar(Vorn::WidgetManager& manager, char c)
{
    if (c >= 'a' && c <= 'z')
        Stroke(manager, {}, std::toupper(static_cast<unsigned char>(c)), c);
    else if (c >= 'A' && c <= 'Z')
        Stroke(manager, {Platform::VK_SHIFT}, c, c);
    else if (c == '-')
        Stroke(manager, {}, Platform::VK_OEM_MINUS, c);
    else if (c == '_')
        Stroke(manager, {Platform::VK_SHIFT}, Platform::VK_OEM_MINUS, c);
    else if (c == '.')
        Stroke(manager, {}, Platform::VK_OEM_PERIOD, c);
    else
        Stroke(manager, {}, c, c);
}

// A script of keys separated by '|': "t:<text>" types the text, a key name
// ("left", "right", "home", "end", "del", "bs", "enter") or a letter, with
// "shift+" and "ctrl+" before it as held.
void Keys(Vorn::WidgetManager& manager, const std::string& script)
{
    std::stringstream tokens(script);
    std::string token;
    while (std::getline(tokens, token, '|')) {
        if (token.rfind("t:", 0) == 0) {
            for (const char c : token.substr(2))
                TypeChar(manager, c);
            continue;
        }
        std::vector<int> modifiers;
        for (const auto& [prefix, key] : {std::pair{"ctrl+", Platform::VK_CONTROL}, {"shift+", Platform::VK_SHIFT}}) {
            const std::string p = prefix;
            if (token.rfind(p, 0) == 0) {
                modifiers.push_back(key);
                token = token.substr(p.size());
            }
        }
        const bool ctrl = !modifiers.empty() && modifiers.front() == Platform::VK_CONTROL;
        if (token.size() == 1) {
            const char letter = static_cast<char>(std::toupper(static_cast<unsigned char>(token[0])));
            Stroke(manager, modifiers, letter, static_cast<char>(ctrl ? letter - 'A' + 1 : token[0]));
        } else if (token == "left") {
            Stroke(manager, modifiers, Platform::VK_LEFT, 0);
        } else if (token == "right") {
            Stroke(manager, modifiers, Platform::VK_RIGHT, 0);
        } else if (token == "home") {
            Stroke(manager, modifiers, Platform::VK_HOME, 0);
        } else if (token == "end") {
            Stroke(manager, modifiers, Platform::VK_END, 0);
        } else if (token == "del") {
            Stroke(manager, modifiers, Platform::VK_DELETE, 0);
        } else if (token == "bs") {
            Stroke(manager, modifiers, Platform::VK_BACK, 8);
        } else if (token == "enter") {
            Stroke(manager, modifiers, Platform::VK_RETURN, 13);
        } else {
            ADD_FAILURE() << "unknown key " << token;
        }
    }
}

// A focused field "1" 300 x 20 at (10, 10) in a manager of its own, with a
// font of 6-pixel characters.
class EditFixture {
public:
    EditFixture()
    {
        manager.Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        field.Resize(10, 10, 300, 20);
        FixedFont font;
        field.SetFont(&font, nullptr);
        manager.AddWidget(&field);
        manager.SetFocus(&field);
    }
    ~EditFixture() { manager.RemoveWidget(&field); }

    void Start(const std::string& text, int caret, int anchor)
    {
        field.mString = text;
        field.mCursorPos = caret;
        field.mHilitePos = anchor;
    }

    Testing::ScriptedClock clock;
    Testing::ScriptedApp app{clock};
    Vorn::WidgetManager manager{&app};
    EditLog listener;
    EditWidget field{1, &listener};
};

struct KeyCase {
    const char* name;
    const char* text;
    int caret;
    int anchor;
    const char* keys;
    const char* result;
    int resultCaret;
    int resultAnchor;
};

class EditKeys : public ::testing::TestWithParam<KeyCase> {};

TEST_P(EditKeys, EditTheTextAsTheDesktopDeliversThem)
{
    const KeyCase& c = GetParam();
    EditFixture f;
    f.Start(c.text, c.caret, c.anchor);
    Keys(f.manager, c.keys);
    EXPECT_EQ(f.field.mString, c.result);
    EXPECT_EQ(f.field.mCursorPos, c.resultCaret);
    EXPECT_EQ(f.field.mHilitePos, c.resultAnchor);
}

INSTANTIATE_TEST_SUITE_P(Table, EditKeys,
    ::testing::Values(KeyCase{"TypeIntoEmpty", "", 0, -1, "t:Bob 7-x", "Bob 7-x", 7, -1},
        // Typing over a selection replaces it, whatever key sends the
        // character: letters A..Y, and Z, digits, the blank and '-', whose
        // key-downs reach the field before their characters.
        KeyCase{"LetterReplacesSelection", "Anonymous", 9, 0, "t:q", "q", 1, -1},
        KeyCase{"ZReplacesSelection", "Anonymous", 9, 0, "t:z", "z", 1, -1},
        KeyCase{"DigitReplacesSelection", "abc", 3, 0, "t:7", "7", 1, -1},
        KeyCase{"BlankReplacesSelection", "abc", 0, 2, "t: ", " c", 1, -1},
        KeyCase{"MinusReplacesSelection", "abc", 1, 3, "t:-", "a-", 2, -1},
        KeyCase{"UpperCaseWithShift", "ab", 1, -1, "t:XY", "aXYb", 3, -1},
        KeyCase{"ShiftLeftSelects", "hello", 5, -1, "shift+left|shift+left", "hello", 3, 5},
        KeyCase{"ShiftLeftThenTypeReplaces", "hello", 5, -1, "shift+left|shift+left|t:X", "helX", 4, -1},
        KeyCase{"ShiftHomeThenBackspace", "hello", 5, -1, "shift+home|bs", "", 0, -1},
        KeyCase{"LeftCollapsesToTheStart", "hello", 4, 1, "left", "hello", 1, -1},
        KeyCase{"RightCollapsesToTheEnd", "hello", 1, 4, "right", "hello", 4, -1},
        KeyCase{"LeftAtStartStays", "ab", 0, -1, "left", "ab", 0, -1},
        KeyCase{"RightAtEndStays", "ab", 2, -1, "right", "ab", 2, -1},
        KeyCase{"HomeAndEnd", "hello", 2, -1, "home", "hello", 0, -1},
        KeyCase{"End", "hello", 2, -1, "end", "hello", 5, -1},
        KeyCase{"CtrlRightToNextWord", "hello world", 0, -1, "ctrl+right", "hello world", 6, -1},
        KeyCase{"CtrlRightOverPunctuation", "a, b", 0, -1, "ctrl+right", "a, b", 3, -1},
        KeyCase{"CtrlRightAtLastWord", "hello world", 6, -1, "ctrl+right", "hello world", 11, -1},
        KeyCase{"CtrlLeftToWordStart", "hello world", 11, -1, "ctrl+left", "hello world", 6, -1},
        KeyCase{"CtrlLeftOverBlanks", "hello world", 6, -1, "ctrl+left", "hello world", 0, -1},
        KeyCase{"CtrlShiftRightSelectsAWord", "foo bar", 0, -1, "ctrl+shift+right", "foo bar", 4, 0},
        KeyCase{"BackspaceErases", "abc", 2, -1, "bs", "ac", 1, -1},
        KeyCase{"BackspaceErasesSelection", "abcdef", 1, 4, "bs", "aef", 1, -1},
        KeyCase{"BackspaceAtStartDoesNothing", "abc", 0, -1, "bs", "abc", 0, -1},
        KeyCase{"BackspaceInEmpty", "", 0, -1, "bs", "", 0, -1},
        KeyCase{"DeleteErases", "abc", 1, -1, "del", "ac", 1, -1},
        KeyCase{"DeleteErasesSelection", "abcdef", 4, 1, "del", "aef", 1, -1},
        KeyCase{"DeleteAtEndDoesNothing", "abc", 3, -1, "del", "abc", 3, -1},
        // Keys that ask for nothing leave even the selection alone.
        KeyCase{"EscapeKeepsSelection", "abc", 3, 0, "shift+left|right|home|t:", "abc", 0, -1},
        KeyCase{"OutOfRangeCaretIsBroughtBack", "abc", 9, 12, "bs", "ab", 2, -1}),
    [](const auto& info) { return std::string(info.param.name); });

struct UndoCase {
    const char* name;
    const char* text;
    int caret;
    const char* keys;
    const char* beforeUndo;
    const char* afterUndo;
};

class EditUndo : public ::testing::TestWithParam<UndoCase> {};

// One Ctrl+Z takes back one step; a second brings it back.
TEST_P(EditUndo, TakesBackRunsOfOneKindInOneStep)
{
    const UndoCase& c = GetParam();
    EditFixture f;
    f.Start(c.text, c.caret, -1);
    Keys(f.manager, c.keys);
    EXPECT_EQ(f.field.mString, c.beforeUndo);
    Keys(f.manager, "ctrl+z");
    EXPECT_EQ(f.field.mString, c.afterUndo);
    Keys(f.manager, "ctrl+z");
    EXPECT_EQ(f.field.mString, c.beforeUndo);
}

INSTANTIATE_TEST_SUITE_P(Table, EditUndo,
    ::testing::Values(UndoCase{"ThreeLettersTyped", "", 0, "t:abc", "abc", ""},
        UndoCase{"TypingElsewhereIsANewStep", "abc", 3, "t:d|left|left|t:x", "abxcd", "abcd"},
        UndoCase{"BackspacesInARow", "abcdef", 6, "bs|bs|bs", "abc", "abcdef"},
        UndoCase{"BackspaceAfterTypingIsANewStep", "ab", 2, "t:cd|bs", "abc", "abcd"},
        UndoCase{"DeletesInARow", "abcdef", 0, "del|del", "cdef", "abcdef"},
        // Erasing nothing is no step: the step before it is taken back.
        UndoCase{"BackspaceAtStartIsNoStep", "", 0, "t:ab|home|bs|end|del", "ab", ""},
        UndoCase{"CutIsAStep", "abcd", 1, "shift+right|shift+right|ctrl+x", "ad", "abcd"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EditKeysListener, EnterReportsTheTextOnceAndRefusedKeysCharactersAndTextsChangeNothing)
{
    EditFixture f;
    f.listener.mAllowKey = [](int key) { return key != Platform::VK_HOME; };
    f.listener.mAllowChar = [](char c) { return c != '_'; };
    f.listener.mAllowText = [](const std::string& text) { return text.find("xx") == std::string::npos; };
    Keys(f.manager, "t:a_b|enter");
    EXPECT_THAT(f.listener.mCalls, ElementsAre("1 enter ab"));
    // Refused: a character over a selection keeps the selection.
    Keys(f.manager, "shift+left|t:_");
    EXPECT_EQ(f.field.mString, "ab");
    EXPECT_EQ(f.field.mHilitePos, 2);
    EXPECT_EQ(f.field.mCursorPos, 1);
    Keys(f.manager, "end|t:x|t:x|home");
    EXPECT_EQ(f.field.mString, "abx");
    EXPECT_EQ(f.field.mCursorPos, 3);
}

TEST(EditKeysLimits, AFourthCharacterBeyondAMaximumOfThreeIsCutAndWidthCheckFontsCutByPixels)
{
    EditFixture f;
    f.field.mMaxChars = 3;
    Keys(f.manager, "t:abcd");
    EXPECT_EQ(f.field.mString, "abc");
    EXPECT_EQ(f.field.mCursorPos, 3);

    // A width-check font of 6-pixel characters with the field's limit of
    // 20 pixels: three characters fit.
    EditFixture g;
    FixedFont check;
    FixedFont font;
    g.field.SetFont(&font, &check);
    g.field.mMaxPixels = 20;
    Keys(g.manager, "t:abcde");
    EXPECT_EQ(g.field.mString, "abc");
    // Its own limit wins over the field's.
    g.field.mWidthCheckList.front().second = 31;
    Keys(g.manager, "t:defgh");
    EXPECT_EQ(g.field.mString, "abcde");
}

// The clipboard belongs to the display: the dummy video driver holds one.
class EditClipboard : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!mVideo.IsUp())
            GTEST_SKIP() << mVideo.Error();
    }
    Platform::Detail::VideoSubsystem mVideo;
};

TEST_F(EditClipboard, CopyKeepsTheSelectionCutRemovesItAndPasteTakesTheFirstLineOfTypableCharacters)
{
    EditFixture f;
    f.Start("hello world", 0, 5);
    Keys(f.manager, "ctrl+c");
    EXPECT_EQ(Platform::GetClipboardText(), "hello");
    EXPECT_EQ(f.field.mHilitePos, 5);
    Keys(f.manager, "ctrl+x");
    EXPECT_EQ(f.field.mString, " world");
    EXPECT_EQ(f.field.mCursorPos, 0);
    EXPECT_EQ(f.field.mHilitePos, -1);

    f.listener.mAllowChar = [](char c) { return c != 'q'; };
    ASSERT_TRUE(Platform::SetClipboardText("a\tbq\nc\xE9" "d\rxy"));
    f.Start("12345", 1, 3);
    Keys(f.manager, "ctrl+v");
    EXPECT_EQ(f.field.mString, "1abcd45");
    EXPECT_EQ(f.field.mCursorPos, 5);
    Keys(f.manager, "ctrl+z");
    EXPECT_EQ(f.field.mString, "12345");
}

TEST_F(EditClipboard, APasswordFieldCopiesItsStarsAndDrawsThem)
{
    EditFixture f;
    f.field.mPasswordChar = '*';
    f.Start("secret", 6, 2);
    EXPECT_EQ(f.field.GetDisplayString(), "******");
    Keys(f.manager, "ctrl+c");
    EXPECT_EQ(Platform::GetClipboardText(), "****");
    f.field.mHasFocus = false;
    Vorn::Graphics g;
    f.field.Draw(&g);
    EXPECT_THAT(static_cast<FixedFont*>(f.field.mFont.get())->mRuns, ElementsAre("******@4,13 #ffffff00"));
}

// Midway into a character a click lands behind it (the text starts 4 in,
// plus one); double-clicking selects the word under the release.
TEST(EditMouse, ClicksPlaceTheCaretDragsSelectAndDoubleClicksSelectAWord)
{
    EditFixture f;
    f.Start("foo_bar baz", 0, -1);
    const std::pair<int, int> clicks[] = {{0, 0}, {7, 0}, {8, 1}, {13, 1}, {14, 2}, {200, 11}};
    for (const auto& [x, index] : clicks)
        EXPECT_EQ(f.field.GetCharIndexAt(x, 5), index) << x;

    f.manager.MouseDown(10 + 14, 15, 1);
    f.manager.MouseMove(10 + 38, 15);
    f.manager.MouseUp(10 + 38, 15, 1);
    EXPECT_EQ(f.field.mHilitePos, 2);
    EXPECT_EQ(f.field.mCursorPos, 6);

    f.manager.MouseDown(10 + 14, 15, 1);
    f.manager.MouseUp(10 + 14, 15, 1);
    EXPECT_EQ(f.field.mHilitePos, -1);
    f.manager.MouseDown(10 + 14, 15, 2);
    f.manager.MouseUp(10 + 14, 15, 1);
    EXPECT_EQ(f.field.mHilitePos, 0);
    EXPECT_EQ(f.field.mCursorPos, 7);
    EXPECT_FALSE(f.field.mHadDoubleClick);
    // At the end there is no word to select.
    f.field.mCursorPos = 11;
    f.field.mHilitePos = -1;
    f.field.SelectWordAtCaret();
    EXPECT_EQ(f.field.mHilitePos, -1);
}

// 6-pixel characters in a field 100 wide: the caret stays within 92 pixels
// of the first visible character, which jumps by 10 while typing.
TEST(EditScroll, TheCaretStaysInViewAndTheFirstVisibleCharacterNeverPassesIt)
{
    EditFixture f;
    f.field.Resize(10, 10, 100, 20);
    Keys(f.manager, "t:abcdefghijklmno");
    EXPECT_EQ(f.field.mLeftPos, 0);
    Keys(f.manager, "t:p");
    EXPECT_EQ(f.field.mLeftPos, 10);
    Keys(f.manager, "home");
    EXPECT_EQ(f.field.mLeftPos, 0);
    Keys(f.manager, "end");
    EXPECT_EQ(f.field.mLeftPos, 10);
    f.field.SetText("abcdefghijklmnopqrstuvwxyz", true);
    EXPECT_EQ(f.field.mLeftPos, 0);
    f.field.Resize(10, 10, 101, 20);
    EXPECT_EQ(f.field.mLeftPos, 11);

    // Room for less than a character: the scroll stops at the last one.
    f.field.SetText("ab", true);
    f.field.Resize(10, 10, 10, 20);
    EXPECT_EQ(f.field.mLeftPos, 1);
    // A caret near the start is never passed by a jump of 10.
    f.field.SetText("abcdefghijklmnopqrstuvwxyz", true);
    f.field.mCursorPos = 3;
    f.field.ScrollToCaret(true);
    EXPECT_EQ(f.field.mLeftPos, 3);
}

TEST(EditSetText, SelectsTheWholeTextSoThatOneCharacterReplacesIt)
{
    EditFixture f;
    f.Start("xyz", 1, -1);
    f.field.SetText("Anonymous", false);
    EXPECT_EQ(f.field.mCursorPos, 9);
    EXPECT_EQ(f.field.mHilitePos, 0);
    Keys(f.manager, "t:J");
    EXPECT_EQ(f.field.mString, "J");
}

TEST(EditFocus, TheCaretBlinksEvery41UpdatesOfFocusOnly)
{
    EditFixture f;
    EXPECT_TRUE(f.field.mShowingCursor);
    for (int i = 0; i < 40; ++i)
        f.field.Update();
    EXPECT_TRUE(f.field.mShowingCursor);
    f.field.mDirty = false;
    f.field.Update();
    EXPECT_FALSE(f.field.mShowingCursor);
    EXPECT_TRUE(f.field.mDirty);
    f.manager.SetFocus(nullptr);
    EXPECT_FALSE(f.field.mShowingCursor);
    for (int i = 0; i < 100; ++i)
        f.field.Update();
    EXPECT_FALSE(f.field.mShowingCursor);
    EXPECT_TRUE(f.field.WantsFocus());
}

// Characters are checked against the font before any drawing: the fallback
// font is made then.
TEST(EditFont, TheFallbackSystemFontIsMadeOnFirstNeed)
{
    EditLog listener;
    EditWidget field(1, &listener);
    field.ProcessKey(0, 'a');
    const auto* font = dynamic_cast<Vorn::SysFont*>(field.mFont.get());
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->mFace, "Arial Unicode MS");
    EXPECT_EQ(font->mPointSize, 10);
}

struct EditDrawCase {
    const char* name;
    int left;
    int caret;
    int anchor;
    bool showing;
    // The highlight's clip, or none.
    std::vector<std::string> fills;
};

class EditDraw : public ::testing::TestWithParam<EditDrawCase> {};

// A field 100 x 20: text from x 4 at baseline (20 - 14) / 2 + 10 = 13,
// clipped to (4, 0, 92, 20); over the caret or selection the highlight from
// y 3, 14 high, and the text again in black.
TEST_P(EditDraw, HighlightsTheCaretOrTheSelectionClampedToTheField)
{
    const EditDrawCase& c = GetParam();
    EditLog listener;
    EditWidget field(1, &listener);
    FixedFont font;
    field.SetFont(&font, nullptr);
    field.Resize(0, 0, 100, 20);
    field.mString = "abcdefghijklmnopqrstuvwxyz0123";
    field.mLeftPos = c.left;
    field.mCursorPos = c.caret;
    field.mHilitePos = c.anchor;
    field.mHasFocus = true;
    field.mShowingCursor = c.showing;
    RecordingImage screen(200, 100);
    Vorn::Graphics g(&screen);
    field.Draw(&g);
    EXPECT_EQ(screen.mCalls, c.fills);
    const auto* drawn = static_cast<FixedFont*>(field.mFont.get());
    const std::string visible = field.mString.substr(static_cast<size_t>(c.left));
    ASSERT_GE(drawn->mRuns.size(), 1u);
    EXPECT_EQ(drawn->mRuns[0], visible + "@4,13 #ffffff00");
    EXPECT_EQ(drawn->mClips[0], Rect(4, 0, 92, 20));
    EXPECT_EQ(drawn->mRuns.size(), c.fills.empty() ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(Cases, EditDraw,
    ::testing::Values(EditDrawCase{"Caret", 0, 3, -1, true, {"FillRect 22,3,2,14 #ffffff00 m0"}},
        EditDrawCase{"HiddenCaret", 0, 3, -1, false, {}},
        EditDrawCase{"Selection", 0, 3, 1, true, {"FillRect 10,3,12,14 #ffffff00 m0"}},
        // The blink moves the caret end of a selection by 2.
        EditDrawCase{"SelectionWhileBlinkedOff", 0, 3, 1, false, {"FillRect 10,3,14,14 #ffffff00 m0"}},
        EditDrawCase{"ScrolledCaret", 10, 13, -1, true, {"FillRect 22,3,2,14 #ffffff00 m0"}},
        // An anchor before the first visible character lies left of the
        // field: the highlight starts at its left edge.
        EditDrawCase{"AnchorBeforeFirstVisible", 10, 20, 2, true, {"FillRect 4,3,60,14 #ffffff00 m0"}},
        EditDrawCase{"SelectionPastTheRightEdge", 0, 2, 29, true, {"FillRect 16,3,80,14 #ffffff00 m0"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EditDrawFocus, AnUnfocusedFieldDrawsOnlyItsText)
{
    EditLog listener;
    EditWidget field(1, &listener);
    FixedFont font;
    field.SetFont(&font, nullptr);
    field.Resize(0, 0, 100, 20);
    field.mString = "abc";
    field.mHilitePos = 0;
    field.mCursorPos = 3;
    RecordingImage screen(200, 100);
    Vorn::Graphics g(&screen);
    field.Draw(&g);
    EXPECT_THAT(screen.mCalls, IsEmpty());
    EXPECT_THAT(static_cast<FixedFont*>(field.mFont.get())->mRuns, ElementsAre("abc@4,13 #ffffff00"));
}

// Opaque, only what lies in front is redrawn with the field; a translucent
// background lets what lies behind show, so that is redrawn too.
TEST(EditDirty, ATranslucentBackgroundColourMarksWhatLiesBehindTheField)
{
    for (const int alpha : {255, 128}) {
        Vorn::WidgetManager manager(nullptr);
        manager.Resize(Rect(0, 0, 800, 600), Rect(0, 0, 800, 600));
        Vorn::Widget behind;
        behind.Resize(0, 0, 50, 50);
        EditLog listener;
        EditWidget field(1, &listener);
        field.Resize(10, 10, 20, 20);
        field.SetColor(EditWidget::kColorBkg, Vorn::Color(255, 255, 0, alpha));
        manager.AddWidget(&behind);
        manager.AddWidget(&field);
        behind.mDirty = false;
        field.mDirty = false;
        field.MarkDirty();
        EXPECT_TRUE(field.mDirty);
        EXPECT_EQ(behind.mDirty, alpha != 255) << alpha;
        manager.RemoveAllWidgets(false, false);
    }
}

// The keys of a session typed through the application, recorded into a
// demo, replay to the same text, the clipboard's text included.
struct EditScripted {
    int32_t update;
    Platform::MessageRecord message;
};

std::vector<EditScripted> SessionKeys()
{
    std::vector<EditScripted> keys;
    int32_t update = 2;
    const auto key = [&](uint32_t id, int code) { keys.push_back({update, {id, static_cast<uintptr_t>(code), 0}}); };
    const auto type = [&](int vk, char c) {
        key(Platform::WM_KEYDOWN, vk);
        key(Platform::WM_CHAR, static_cast<unsigned char>(c));
        key(Platform::WM_KEYUP, vk);
        ++update;
    };
    for (const char c : std::string("ANN"))
        type(c, static_cast<char>(std::tolower(c)));
    type(Platform::VK_BACK, 8);
    key(Platform::WM_KEYDOWN, Platform::VK_CONTROL);
    type('V', 22);
    key(Platform::WM_KEYUP, Platform::VK_CONTROL);
    type('Z', 'z');
    type(Platform::VK_RETURN, 13);
    keys.push_back({update + 2, {Platform::WM_CLOSE, 0, 0}});
    return keys;
}

class EditSession {
public:
    explicit EditSession(Testing::ScriptedClock& clock) : app(clock)
    {
        app.mWidgetManager = std::make_unique<Vorn::WidgetManager>(&app);
        FixedFont font;
        field.SetFont(&font, nullptr);
        field.Resize(100, 100, 300, 20);
        app.mWidgetManager->AddWidget(&field);
        app.mWidgetManager->SetFocus(&field);
    }
    ~EditSession() { app.mWidgetManager->RemoveAllWidgets(false, false); }

    void Run(const std::vector<EditScripted>& keys)
    {
        app.CreateMainWindow();
        app.mRunning = true;
        size_t next = 0;
        for (int i = 0; i < 100000 && !app.mShutdown; ++i) {
            const bool pumps =
                app.mLoopState == app.kStatePumpMessages || app.mLoopState == app.kStateFinished;
            for (; pumps && next < keys.size() && keys[next].update == app.mUpdateCount; ++next)
                app.Send(keys[next].message);
            const uint32_t before = app.mTestClock.Milliseconds();
            const int32_t updates = app.mUpdateCount;
            app.StepLoopState(nullptr);
            if (app.mTestClock.Milliseconds() == before && app.mUpdateCount == updates)
                app.mTestClock.Advance(1);
        }
    }

    Testing::WindowedApp app;
    EditLog listener;
    EditWidget field{3, &listener};
};

TEST_F(EditClipboard, ADemoOfTypedKeysReplaysToTheSameTextWithTheRecordedClipboard)
{
    ASSERT_TRUE(Platform::SetClipboardText("ie-Jo"));
    Testing::ScriptedClock recordingClock(5000);
    EditSession recorded(recordingClock);
    recorded.app.SetDemoMode(Vorn::DemoMode::Recording);
    recorded.Run(SessionKeys());
    EXPECT_EQ(recorded.field.mString, "anie-Joz");
    EXPECT_THAT(recorded.listener.mCalls, ElementsAre("3 enter anie-Joz"));
    recorded.app.SaveDemoFile();

    ASSERT_TRUE(Platform::SetClipboardText("changed since"));
    Testing::ScriptedClock playingClock(424242);
    EditSession replayed(playingClock);
    replayed.app.mDemoFileName = recorded.app.mDemoFileName;
    replayed.app.SetDemoMode(Vorn::DemoMode::Playing);
    std::string error;
    ASSERT_TRUE(replayed.app.LoadDemoFile(error)) << error;
    replayed.Run({});
    EXPECT_EQ(replayed.field.mString, recorded.field.mString);
    EXPECT_EQ(replayed.listener.mCalls, recorded.listener.mCalls);
}

// Yellow for the text, the selection and the caret, black behind.
TEST(EditColours, StartAsFourYellowsAndBlack)
{
    const Vorn::EditWidget edit(1, nullptr);
    ASSERT_EQ(edit.mColors.size(), 5u);
    for (size_t i = 0; i < 4; ++i)
        EXPECT_EQ(static_cast<uint32_t>(edit.mColors[i].ToInt()), 0xFFFFFF00u) << i;
    EXPECT_EQ(static_cast<uint32_t>(edit.mColors[4].ToInt()), 0xFF000000u);
}

// A word is chosen from the caret, also at the very start of the text.
TEST(EditWords, TheWordAtTheCaretIsSelectedFromTheFirstCharacterOn)
{
    const struct { int caret; int hilite; int cursor; } cases[] = {{0, 0, 3}, {1, 0, 3}, {5, 4, 7}, {6, 4, 7}};
    for (const auto& c : cases) {
        Vorn::EditWidget edit(1, nullptr);
        edit.mString = "abc def";
        edit.mCursorPos = c.caret;
        edit.SelectWordAtCaret();
        EXPECT_EQ(edit.mHilitePos, c.hilite) << c.caret;
        EXPECT_EQ(edit.mCursorPos, c.cursor) << c.caret;
    }
}

// Shift or Ctrl pressed alone asks for nothing: the selection stays.
TEST(EditKeysModifiers, AloneChangeNothing)
{
    for (const int key : {Platform::VK_SHIFT, Platform::VK_CONTROL}) {
        Vorn::EditWidget edit(1, nullptr);
        edit.mString = "abcdef";
        edit.mHilitePos = 1;
        edit.mCursorPos = 4;
        edit.ProcessKey(key, 0);
        EXPECT_EQ(edit.mString, "abcdef") << key;
        EXPECT_EQ(edit.mHilitePos, 1) << key;
        EXPECT_EQ(edit.mCursorPos, 4) << key;
    }
}

} // namespace
