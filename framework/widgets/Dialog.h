#pragma once
// The toolkit's message box: a header line, word-wrapped body lines and a
// footer line over a panel, with up to two buttons (ids 1000 and 1001) along
// its bottom edge. It reports its buttons to a DialogListener under its own
// dialog id, keeps the id of the button released as its result, and can be
// dragged around the screen. Its buttons are top-level widgets of the
// manager, joining it when the dialog does.

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/Margins.h"
#include "framework/widgets/Widget.h"

#include <cstdint>
#include <memory>
#include <string>

namespace Vorn {

class DialogButton;
class DialogListener;
class Font;
class Image;

// Button labels, set at start-up; a game may replace them.
extern std::string gDialogYesString;
extern std::string gDialogNoString;
extern std::string gDialogOkString;
extern std::string gDialogCancelString;

class Dialog : public Widget, public ButtonListener {
public:
    // The result until a button is released.
    static constexpr int kNoResult = INT32_MAX;
    // The first button (yes, OK or the only one) and the second (no,
    // cancel).
    static constexpr int kIdYes = 1000;
    static constexpr int kIdNo = 1001;
    // Button modes; any other value gives no buttons.
    static constexpr int kButtonsYesNo = 1;
    static constexpr int kButtonsOkCancel = 2;
    static constexpr int kButtonsFooter = 3;

    // Colour table entries.
    static constexpr int kColorHeader = 0;
    static constexpr int kColorLines = 1;
    static constexpr int kColorFooter = 2;
    static constexpr int kColorButtonText = 3;
    static constexpr int kColorButtonTextHilite = 4;
    static constexpr int kColorBkg = 5;
    static constexpr int kColorOutline = 6;

    // The component image is not owned; without one the panel is drawn as
    // a framed box with a shadow. A width of 0 means not yet laid out.
    Dialog(Image* componentImage, int id, bool isModal, const std::string& header, const std::string& lines,
           const std::string& footer, int buttonMode);
    ~Dialog() override;

    // Each font is duplicated.
    virtual void SetButtonFont(Font* font);
    virtual void SetHeaderFont(Font* font);
    virtual void SetLinesFont(Font* font);
    // The height the dialog needs at this width; the application sizes a
    // dialog added without a size by it.
    virtual int GetPreferredHeight(int width);
    virtual bool IsModal();
    // Runs the application's loop until a button is released, the dialog
    // leaves the manager (or is deleted) or the application ends; with
    // autoKill the application then closes the dialog if it is still open
    // under its id. The released button's id, or kNoResult when none was.
    virtual int WaitForResult(bool autoKill);

    void OnAttached(WidgetManager* manager) override;
    void OnDetached(WidgetManager* manager) override;
    void Draw(Graphics* g) override;
    // Keeps the buttons in front of the dialog.
    void ZOrderChanged() override;
    // The button text colours go to the buttons too.
    void SetColor(int index, const Color& color) override;
    using Widget::Resize;
    // Lays the buttons out along the bottom edge, in the manager's
    // coordinates.
    void Resize(int x, int y, int width, int height) override;
    void MouseDownButton(int x, int y, int button, int clickCount) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void MouseDrag(int x, int y) override;

    // Only the dialog's own buttons are passed on.
    void ButtonPress(int id) override;
    void ButtonDepress(int id) override;

    // The application's listener part by default.
    DialogListener* mDialogListener;
    Image* mComponentImage;
    std::unique_ptr<DialogButton> mYesButton;
    std::unique_ptr<DialogButton> mNoButton;
    std::string mDialogHeader;
    std::string mDialogFooter;
    std::string mDialogLines;
    int mButtonMode;
    std::unique_ptr<Font> mHeaderFont;
    std::unique_ptr<Font> mLinesFont;
    int mTextAlign = 0;
    // Added to the lines font's line spacing.
    int mLineSpacingOffset = 0;
    int mButtonHeight = 24;
    // The panel's inset in the widget, and the text and buttons' in the
    // panel.
    Margins mBackgroundInsets;
    Margins mContentInsets{24};
    int mSpaceAfterHeader = 10;
    bool mDragging = false;
    // Where the dialog is held while dragged, widget-local.
    int mDragMouseX = 0;
    int mDragMouseY = 0;
    int mId;
    bool mIsModal;
    // The released button's id; the application makes it 0 when it closes
    // the dialog before any button was released.
    int mResult = kNoResult;
    int mButtonHorzSpacing = 8;
    int mButtonSidePadding = 0;

private:
    // What a wait in progress needs to know after each loop step, kept
    // outside the dialog: the dialog may be deleted during the step.
    struct Waiter {
        Waiter* mOuter;
        bool mGone = false;
        int mResult = kNoResult;
    };

    void EnsureFonts();
    int ButtonsLeft() const;
    int ButtonsWidth() const;
    void SetCursor(int cursor);

    // Set by a button release, so that a wait can tell it from the result
    // the application gives a dialog it closes.
    bool mButtonReleased = false;
    // The innermost wait in progress, none outside WaitForResult.
    Waiter* mWaiter = nullptr;
};

} // namespace Vorn
