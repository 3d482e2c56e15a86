#pragma once
// The two dialogs that steer a playing demo, "Marker List" and "Jump To
// Time". Each is drawn over the last frame and takes the main window's
// input while the application runs its modal loop; neither belongs to the
// widget tree, whose input is the recorded one during a replay.

#include "framework/graphics/Rect.h"
#include "platform/Window.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace Vorn {

class Font;
class Graphics;

class PlaybackDialog {
public:
    // Results: a choice made (or Ok), Cancel, or the dialog closed.
    static constexpr int kResultClosed = 0;
    static constexpr int kResultOk = 1;
    static constexpr int kResultCancel = 2;

    explicit PlaybackDialog(std::string title) : mTitle(std::move(title)) {}
    virtual ~PlaybackDialog() = default;

    // An input message of the main window, pointer positions already in
    // screen pixels. WM_CLOSE ends the dialog.
    void HandleMessage(const Platform::MessageRecord& message);
    // Lays the dialog out centred on a screen of the size and draws it.
    void Draw(Graphics& g, Font& font, int screenWidth, int screenHeight);

    bool Done() const { return mDone; }
    int Result() const { return mResult; }

protected:
    void End(int result);
    virtual void OnChar(uint8_t character) = 0;
    virtual void OnKeyDown(int keyCode) = 0;
    virtual void OnClick(int x, int y, bool doubleClick) = 0;
    virtual void OnWheel(int amount) = 0;
    // Draws the body into the area below the title bar.
    virtual void DrawBody(Graphics& g, Font& font, const Rect& body) = 0;
    virtual int BodyHeight(Font& font) const = 0;
    virtual int Width() const = 0;

    // Where the body lay when last drawn, in screen pixels.
    Rect mBody;

private:
    std::string mTitle;
    bool mDone = false;
    int mResult = kResultClosed;
};

class MarkerListDialog : public PlaybackDialog {
public:
    struct Item {
        std::string mText;
        int32_t mUpdate = 0;
    };
    static constexpr int kVisibleRows = 16;

    // `choose` is asked to jump to the update of the chosen item; the dialog
    // ends when it agrees.
    MarkerListDialog(std::vector<Item> items, std::function<bool(int32_t update)> choose);

    int Selection() const { return mSelection; }

protected:
    void OnChar(uint8_t character) override;
    void OnKeyDown(int keyCode) override;
    void OnClick(int x, int y, bool doubleClick) override;
    void OnWheel(int amount) override;
    void DrawBody(Graphics& g, Font& font, const Rect& body) override;
    int BodyHeight(Font& font) const override;
    int Width() const override { return 320; }

private:
    void Choose();
    void Select(int index);

    std::vector<Item> mItems;
    std::function<bool(int32_t)> mChoose;
    // -1: none.
    int mSelection = -1;
    int mFirstRow = 0;
    int mRowHeight = 1;
};

class JumpDialog : public PlaybackDialog {
public:
    static constexpr size_t kMaxTextLength = 500;

    // The field starts with `text`, all of it selected; `ok` receives the
    // field's text when Ok ends the dialog.
    JumpDialog(std::string text, std::function<void(const std::string& text)> ok);

    const std::string& Text() const { return mText; }

protected:
    void OnChar(uint8_t character) override;
    void OnKeyDown(int) override {}
    void OnClick(int x, int y, bool doubleClick) override;
    void OnWheel(int) override {}
    void DrawBody(Graphics& g, Font& font, const Rect& body) override;
    int BodyHeight(Font& font) const override;
    int Width() const override { return 300; }

private:
    void Ok();
    Rect OkButton() const;
    Rect CancelButton() const;

    std::string mText;
    std::function<void(const std::string&)> mOk;
    // Typing replaces the whole text while it is selected.
    bool mAllSelected = true;
    int mFieldHeight = 1;
};

} // namespace Vorn
