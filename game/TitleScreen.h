#pragma once
// The game's main menu: the title picture over the whole window and a
// column of picture buttons centred on it. The buttons are top-level widgets
// of the widget manager, made when the screen is attached and taken out when
// it is detached; the screen owns them. Until loading has ended only the
// picture shows; then the main menu, whose choices lead to the difficulty
// choice (or first to continuing the autosaved game), the help, high-score
// and options screens laid over the title, the maker's page, or the end.

#include "framework/widgets/ButtonListener.h"
#include "framework/widgets/Widget.h"

#include <memory>

class FlickeringButtonWidget;
class GameApp;

namespace Vorn {
class Image;
}

class TitleScreen : public Vorn::Widget, public Vorn::ButtonListener {
public:
    // Button ids; the difficulty buttons' ids are the difficulties.
    static constexpr int kButtonBeginner = 0;
    static constexpr int kButtonEasy = 1;
    static constexpr int kButtonNormal = 2;
    static constexpr int kButtonHard = 3;
    static constexpr int kButtonPlay = 4;
    static constexpr int kButtonScores = 5;
    static constexpr int kButtonExit = 6;
    static constexpr int kButtonLogo = 7;
    static constexpr int kButtonResume = 8;
    static constexpr int kButtonNewGame = 9;
    static constexpr int kButtonOptions = 10;

    // The dialog id the options dialog opens under.
    static constexpr int kOptionsDialogId = 6;

    explicit TitleScreen(GameApp* app);
    ~TitleScreen() override;

    void OnAttached(Vorn::WidgetManager* manager) override;
    void OnDetached(Vorn::WidgetManager* manager) override;
    void Update() override;
    void Draw(Vorn::Graphics* g) override;
    void ButtonDepress(int id) override;

    // A hidden button of the two-cel picture (normal above, hovered below),
    // centred on x 400 and on centreY, added to the parent.
    std::unique_ptr<FlickeringButtonWidget> MakeButton(Vorn::WidgetContainer* parent, Vorn::Image* image, int id,
                                                       int centreY);
    // After loading and after every game: PLAY, SCORES, OPTIONS, EXIT and
    // the logo.
    void ShowMainButtons();
    // Deletes the autosave: a new game starts.
    void ShowDifficultyChoice();

    GameApp* mApp;
    bool mLoadingFinished = false;
    std::unique_ptr<FlickeringButtonWidget> mPlayButton;
    std::unique_ptr<FlickeringButtonWidget> mBeginnerButton;
    std::unique_ptr<FlickeringButtonWidget> mEasyButton;
    std::unique_ptr<FlickeringButtonWidget> mNormalButton;
    std::unique_ptr<FlickeringButtonWidget> mHardButton;
    std::unique_ptr<FlickeringButtonWidget> mExitButton;
    std::unique_ptr<FlickeringButtonWidget> mScoresButton;
    std::unique_ptr<FlickeringButtonWidget> mLogoButton;
    std::unique_ptr<FlickeringButtonWidget> mResumeButton;
    std::unique_ptr<FlickeringButtonWidget> mNewGameButton;
    std::unique_ptr<FlickeringButtonWidget> mOptionsButton;
};

// The page the logo button opens.
inline constexpr const char* kArticleUrl = "http://www.tavoren.example/zarquel/";
