#pragma once
// The high-score screen over the whole window, laid over the title screen:
// the ten best scores. After a lost game whose score entered the table it
// first asks whether to save the score, and on YES takes the player's name
// in the new row. A click leaves it once nothing is pending. Its opener adds
// it to the widget tree; it deletes itself when it closes.

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/EditListener.h"
#include "framework/widgets/Widget.h"

#include <map>
#include <memory>
#include <string>

class GameApp;

namespace Vorn {
class ButtonWidget;
class EditWidget;
class Font;
class HyperlinkWidget;
class Image;
} // namespace Vorn

class TopScoresScreen : public Vorn::Widget, public Vorn::ButtonListener, public Vorn::EditListener {
public:
    static constexpr int kButtonYes = 0;
    static constexpr int kButtonNo = 1;
    static constexpr int kReturnButtonId = 1;
    static constexpr int kNameFieldId = 1;
    static constexpr int kMaxNameChars = 16;

    TopScoresScreen();
    ~TopScoresScreen() override;

    // The return link, kept hidden: the screen is left by a click anywhere.
    // The help screen has one alike.
    static std::unique_ptr<Vorn::HyperlinkWidget> MakeReturnButton(Vorn::ButtonListener* listener);
    // Hidden and disabled, sized to its label, centred on centreX above the
    // bottom of the screen, and added to the manager.
    static void PlaceReturnButton(Vorn::ButtonWidget* button, Vorn::WidgetManager* manager, int centreX,
                                  int screenHeight);

    // The name field exists only while the table holds a row just entered.
    void CreateWidgets();

    void OnAttached(Vorn::WidgetManager* manager) override;
    void OnDetached(Vorn::WidgetManager* manager) override;
    void Update() override;
    void Draw(Vorn::Graphics* g) override;
    void MouseUpButton(int x, int y, int button, int clickCount) override;
    void ButtonDepress(int id) override;
    void EditWidgetText(int id, const std::string& text) override;
    bool AllowChar(int id, char c) override;
    // After each change of the typed name: the field's font shrinks while
    // the name is wider than the field's room, so that it never scrolls.
    bool AllowText(int id, const std::string& text) override;

    GameApp* mApp;
    // Null once handed over for deletion.
    std::unique_ptr<Vorn::HyperlinkWidget> mReturnButton;
    std::unique_ptr<Vorn::EditWidget> mNameField;
    std::unique_ptr<Vorn::ButtonWidget> mYesButton;
    std::unique_ptr<Vorn::ButtonWidget> mNoButton;

private:
    // The font a table row draws the name in.
    Vorn::Font* NameFont(const std::string& name);
    std::unique_ptr<Vorn::ButtonWidget> MakeButton(Vorn::WidgetManager* manager, Vorn::Image* image, int id,
                                                   int centreY);

    // The score font shrunk for each name too wide for its row, made the
    // first time the name is drawn.
    std::map<std::string, std::unique_ptr<Vorn::Font>> mNameFonts;
};
