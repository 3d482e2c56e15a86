#include "game/TopScoresScreen.h"

#include "framework/graphics/Font.h"
#include "framework/graphics/Graphics.h"
#include "framework/graphics/Image.h"
#include "framework/graphics/ImageFont.h"
#include "framework/widgets/ButtonWidget.h"
#include "framework/widgets/EditWidget.h"
#include "framework/widgets/HyperlinkWidget.h"
#include "framework/widgets/WidgetManager.h"
#include "game/GameApp.h"
#include "game/GameResources.h"
#include "game/TopScores.h"

#include <algorithm>

namespace {

constexpr int kCentreX = 400;
constexpr int kFirstRowY = 180;
constexpr int kRowHeight = 35;
constexpr int kScoreRight = 300;
constexpr int kNameLeft = 400;
constexpr int kQuestionY = 240;
constexpr int kNameFieldLeft = 396;
constexpr int kNameFieldTop = 147;
constexpr int kNameFieldWidth = 300;
// The field's text between its insets, with the caret behind the last
// character.
constexpr int kNameFieldRoom =
    kNameFieldWidth - 2 * Vorn::EditWidget::kTextInset - Vorn::EditWidget::kCaretWidth;
constexpr int kReturnButtonGap = 40;
constexpr const char* kQuestion = "Do you want to save your score?";
constexpr const char* kUnnamed = "Anonymous";

bool Shows(const Vorn::Widget* widget)
{
    return widget && widget->mVisible;
}

void Show(Vorn::Widget* widget, bool show)
{
    widget->SetVisible(show);
    widget->SetDisabled(!show);
}

// The font at its own size when the text fits the room, else scaled down
// until it does. Only a bitmap font scales; another is left as it is.
void ShrinkToFit(Vorn::Font* font, const std::string& text, int room)
{
    auto* scalable = dynamic_cast<Vorn::ImageFont*>(font);
    if (!scalable)
        return;
    double scale = 1.0;
    scalable->SetScale(scale);
    // Each glyph's advance is truncated on its own, so the first guess can
    // still be a pixel or so too wide.
    for (int width = scalable->StringWidth(text); width > room; width = scalable->StringWidth(text)) {
        scale *= static_cast<double>(room) / width;
        scalable->SetScale(scale);
    }
}

} // namespace

TopScoresScreen::TopScoresScreen() : mApp(gGameApp)
{
    LoadTopScores();
}

TopScoresScreen::~TopScoresScreen() = default;

std::unique_ptr<Vorn::HyperlinkWidget> TopScoresScreen::MakeReturnButton(Vorn::ButtonListener* listener)
{
    auto button = std::make_unique<Vorn::HyperlinkWidget>(kReturnButtonId, listener);
    button->SetFont(FONT_SCORE);
    button->mLabel = "RETURN TO MAIN MENU";
    button->mColor = Vorn::Color(128, 64, 0);
    button->mOverColor = Vorn::Color(255, 128, 0);
    button->mUnderlineSize = 1;
    return button;
}

void TopScoresScreen::PlaceReturnButton(Vorn::ButtonWidget* button, Vorn::WidgetManager* manager, int centreX,
                                        int screenHeight)
{
    Show(button, false);
    const int width = FONT_SCORE->StringWidth(button->mLabel);
    const int fontHeight = FONT_SCORE->GetHeight();
    button->Resize(centreX - width / 2, screenHeight - fontHeight - kReturnButtonGap, width, fontHeight + 4);
    button->mDoFinger = true;
    manager->AddWidget(button);
}

void TopScoresScreen::CreateWidgets()
{
    mReturnButton = MakeReturnButton(this);
    if (gNewTopScoreIndex >= 0 && gNewTopScoreIndex < kTopScoreCount) {
        mNameField = std::make_unique<Vorn::EditWidget>(kNameFieldId, this);
        mNameField->SetFont(FONT_SCORE, nullptr);
        mNameField->mMaxChars = kMaxNameChars;
    }
}

std::unique_ptr<Vorn::ButtonWidget> TopScoresScreen::MakeButton(Vorn::WidgetManager* manager, Vorn::Image* image,
                                                               int id, int centreY)
{
    auto button = std::make_unique<Vorn::ButtonWidget>(id, this);
    button->mButtonImage = image;
    button->mOverImage = image;
    button->mNormalRect = image->GetCelRect(0);
    button->mOverRect = image->GetCelRect(1);
    button->mDoFinger = true;
    const int width = image->GetWidth();
    const int height = image->GetHeight() / 2;
    button->Resize(kCentreX - width / 2, centreY - height / 2, width, height);
    manager->AddWidget(button.get());
    button->SetVisible(false);
    return button;
}

void TopScoresScreen::OnAttached(Vorn::WidgetManager* manager)
{
    WidgetContainer::OnAttached(manager);
    PlaceReturnButton(mReturnButton.get(), manager, mWidth / 2, mHeight);
    mReturnButton->SetDisabled(false);
    mYesButton = MakeButton(manager, IMAGE_MENU_YES, kButtonYes, 290);
    mNoButton = MakeButton(manager, IMAGE_MENU_NO, kButtonNo, 340);
    const bool asking = mNameField != nullptr;
    Show(mYesButton.get(), asking);
    Show(mNoButton.get(), asking);
    if (mNameField) {
        Show(mNameField.get(), false);
        manager->AddWidget(mNameField.get());
    }
}

void TopScoresScreen::OnDetached(Vorn::WidgetManager* manager)
{
    WidgetContainer::OnDetached(manager);
    for (Vorn::Widget* widget : {static_cast<Vorn::Widget*>(mReturnButton.get()),
             static_cast<Vorn::Widget*>(mYesButton.get()), static_cast<Vorn::Widget*>(mNoButton.get()),
             static_cast<Vorn::Widget*>(mNameField.get())}) {
        if (widget)
            manager->RemoveWidget(widget);
    }
}

void TopScoresScreen::Update()
{
    Widget::Update();
    mApp->SetCustomCursors(false);
    MarkDirty();
}

void TopScoresScreen::Draw(Vorn::Graphics* g)
{
    g->DrawImage(IMAGE_SCORES_BKG, 0, 0);
    g->SetFont(FONT_SCORE);
    g->SetColor(Vorn::Color(255, 255, 255));
    if (mYesButton && !mYesButton->mDisabled) {
        g->DrawString(kQuestion, kCentreX - FONT_SCORE->StringWidth(kQuestion) / 2, kQuestionY);
        return;
    }
    const int rows = std::min(static_cast<int>(gTopScores.size()), kTopScoreCount);
    for (int i = 0; i < rows; ++i) {
        const TopScoreEntry& entry = gTopScores[static_cast<size_t>(i)];
        const int y = kFirstRowY + kRowHeight * i;
        const std::string score = std::to_string(entry.score);
        g->SetFont(FONT_SCORE);
        g->DrawString(score, kScoreRight - FONT_SCORE->StringWidth(score), y);
        // The field shows the name being typed in its row.
        if (i != gNewTopScoreIndex || !Shows(mNameField.get())) {
            g->SetFont(NameFont(entry.name));
            g->DrawString(entry.name, kNameLeft, y);
        }
    }
}

// A name wider than the field it was typed in is shrunk to its width, on
// the row's baseline: at full size sixteen wide letters leave the panel.
Vorn::Font* TopScoresScreen::NameFont(const std::string& name)
{
    if (FONT_SCORE->StringWidth(name) <= kNameFieldWidth)
        return FONT_SCORE;
    std::unique_ptr<Vorn::Font>& font = mNameFonts[name];
    if (!font) {
        font = FONT_SCORE->Duplicate();
        ShrinkToFit(font.get(), name, kNameFieldWidth);
    }
    return font.get();
}

void TopScoresScreen::ButtonDepress(int id)
{
    // Answered once: a late report must not open the field over a row that
    // is no longer the new one.
    if (!mNameField || mYesButton->mDisabled)
        return;
    Show(mYesButton.get(), false);
    Show(mNoButton.get(), false);
    if (id == kButtonYes) {
        Show(mNameField.get(), true);
        mNameField->Resize(kNameFieldLeft, kNameFieldTop + kRowHeight * gNewTopScoreIndex, kNameFieldWidth,
            FONT_SCORE->GetHeight());
        mWidgetManager->SetFocus(mNameField.get());
    } else {
        // The row keeps the empty name it was saved with; no later entry
        // must name it.
        gNewTopScoreIndex = -1;
    }
}

void TopScoresScreen::EditWidgetText(int, const std::string& text)
{
    if (gNewTopScoreIndex >= 0 && gNewTopScoreIndex < static_cast<int>(gTopScores.size())) {
        gTopScores[static_cast<size_t>(gNewTopScoreIndex)].name = text.empty() ? kUnnamed : text;
        SaveTopScores();
    }
    gNewTopScoreIndex = -1;
    Show(mNameField.get(), false);
}

bool TopScoresScreen::AllowChar(int, char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == ' ' || c == '-';
}

bool TopScoresScreen::AllowText(int, const std::string& text)
{
    ShrinkToFit(mNameField->mFont.get(), text, kNameFieldRoom);
    // The field scrolled for the text at the old size; now it all fits.
    mNameField->mLeftPos = 0;
    return true;
}

void TopScoresScreen::MouseUpButton(int, int, int, int)
{
    if (Shows(mNameField.get()) || (mYesButton && !mYesButton->mDisabled))
        return;
    // Removing the screen takes its controls out of the manager as well.
    mWidgetManager->RemoveWidget(this);
    mApp->QueueWidgetDeletion(mReturnButton.release());
    mApp->QueueWidgetDeletion(this);
    mApp->PlaySoundById(SOUND_BTN);
    gNewTopScoreIndex = -1;
}
