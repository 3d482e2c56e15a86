#include "game/Board.h"

#include "framework/app/StringUtils.h"
#include "framework/graphics/Graphics.h"
#include "framework/widgets/WidgetManager.h"
#include "game/GameApp.h"
#include "game/GameResources.h"
#include "game/PhysicsWorld.h"
#include "game/TopScores.h"
#include "game/TutorialScreen.h"
#include "platform/Random.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <utility>

namespace {

constexpr float kFrameSeconds = 0.01f;
constexpr size_t kOpeningBalls = 10;
// Track speed floors by difficulty; higher difficulties share the last.
constexpr std::array<float, 4> kSpeedFloors = {0.2f, 0.3f, 0.4f, 0.5f};
constexpr int kRevealInterval = 10;
constexpr int kSpawnScatter = 10;

constexpr int kScoreCentreX = 420;
constexpr int kScoreBaseline = 64;
constexpr int kEndPictureY = 200;
constexpr int kMenuButtonCentreX = 743;
constexpr int kMenuButtonCentreY = 28;

// The classic forward Fisher-Yates, drawing from the game's generator.
void Shuffle(std::deque<int>& values)
{
    for (size_t i = 1; i < values.size(); ++i) {
        const auto j = static_cast<size_t>(Platform::Rand()) % (i + 1);
        std::swap(values[i], values[j]);
    }
}

float Distance(float x0, float y0, float x1, float y1)
{
    const float dx = x1 - x0;
    const float dy = y1 - y0;
    return std::sqrt(dx * dx + dy * dy);
}

void DrawCentred(Vorn::Graphics* g, Vorn::Image* image, int width, int y)
{
    g->DrawImage(image, width / 2 - image->GetWidth() / 2, y);
}

} // namespace

Board::Board(GameApp* app, int difficulty) : mApp(app), mDifficulty(difficulty)
{
    NewGame();
}

Board::~Board()
{
    ClearGame();
}

void Board::NewGame(bool loadAutosave)
{
    mSpace = InitPhysicsWorld();
    CreateBoundaryPlanes();
    mPaused = false;
    mRenderer = std::make_unique<Renderer>();
    mExplosion = std::make_unique<FXSprite>(mRenderer.get());
    mExplosion->Load("explode.fx");
    mExplosion->SetEmittersActive(false);
    mLevel = std::make_unique<Level>(mRenderer.get());
    mLevel->Load(mStage, mDifficulty);

    mPendingSymbols.clear();
    for (int i = 0; i < mLevel->mBallCount / 2; ++i) {
        const int symbol = Platform::Rand() % mLevel->mSymbolCount;
        mPendingSymbols.push_back(symbol);
        mPendingSymbols.push_back(symbol);
    }
    Shuffle(mPendingSymbols);

    mPointerX = mApp->mWidgetManager->mLastMouseX;
    mPointerY = mApp->mWidgetManager->mLastMouseY;
    mSpawnRequested = false;
    mLost = false;
    mReserved = 0;
    mCombo = 0;
    mMisses = 0;
    mPopupFrames = 0;
    mPopupX = 0;
    mPopupY = 0;
    mStopTimer = 0;
    mReverseTimer = 0;
    mRevealTimer = 0;
    mRevealCounter = 0;
    mSpeedUpTimer = 0;
    mTrackSpeed = 1.0f;
    mTravel = 0.0f;

    if (loadAutosave)
        LoadAutosave();
    mPlaying = true;
    PlaySound(SOUND_SCORE);
}

void Board::ClearGame()
{
    mPlaying = false;
    mBalls.clear();
    mLevel.reset();
    mExplosion.reset();
    mRenderer.reset();
    DestroyPhysicsSpace(std::exchange(mSpace, nullptr));
}

void Board::CompleteLevel()
{
    ++mStage;
    NextLevel();
}

void Board::NextLevel()
{
    ClearGame();
    const bool autosaveGone = DeleteAutosave();
    NewGame(autosaveGone);
}

bool Board::IsGameOver() const
{
    return mLost && mBalls.empty();
}

bool Board::IsLevelCleared() const
{
    return !mLost && mBalls.empty() && mPendingSymbols.empty();
}

void Board::Update()
{
    Vorn::Widget::Update();
    MarkDirty();
    if (!mPlaying || !mHasFocus || mPaused)
        return;

    StepPhysics();
    UpdateTrack();
    if (mSpawnRequested && !mLost)
        SpawnBall();
    mRenderer->mParticleSystem->SetFrameTime(kFrameSeconds);
    for (const auto& ball : mBalls)
        ball->UpdateHover(mPointerX, mPointerY);
    for (const auto& ball : mBalls)
        ball->Update();
    mLevel->Update();
    PurgeRemovedBalls();

    if (mScoreToAdd > 0) {
        ++mDisplayedScore;
        --mScoreToAdd;
    } else if (mScoreToAdd < 0) {
        --mDisplayedScore;
        ++mScoreToAdd;
    }
}

void Board::UpdateTrack()
{
    const size_t count = mBalls.size();
    // With no ball out the speed would be 10 / 0; the top speed is what that
    // gives.
    mTrackSpeed = count == 0 ? kTopSpeed : std::min(10.0f / static_cast<float>(count), kTopSpeed);
    const float floor = kSpeedFloors[static_cast<size_t>(std::clamp(mDifficulty, 0, 3))];
    if (mTrackSpeed <= floor)
        mTrackSpeed = floor;
    if (mReverseTimer != 0) {
        mTrackSpeed = -mTrackSpeed;
        --mReverseTimer;
    }
    if (mStopTimer != 0) {
        mTrackSpeed = 0.0f;
        --mStopTimer;
    }
    if (mSpeedUpTimer != 0) {
        --mSpeedUpTimer;
        if (mTrackSpeed > 0.0f)
            mTrackSpeed *= kSpeedUpFactor;
    }
    if (mRevealTimer != 0)
        --mRevealTimer;

    // One ball turned every ten updates: shown, newest first, while the
    // reveal runs, and hidden again the same way after it.
    if (mRevealCounter == 0) {
        const bool reveal = mRevealTimer > 0;
        const auto found = std::find_if(mBalls.rbegin(), mBalls.rend(),
            [reveal](const std::unique_ptr<Ball>& ball) { return ball->mHeldShown != reveal; });
        if (found != mBalls.rend()) {
            (*found)->SetHeldShown(reveal);
            PlayFlipSound();
        }
        mRevealCounter = kRevealInterval;
    }

    mTravel += mTrackSpeed;
    --mRevealCounter;
    if (count == 0 || mTravel > kSpawnDistance) {
        mTravel = 0.0f;
        mSpawnRequested = true;
    }
    if (count < kOpeningBalls && mPendingSymbols.size() + count == static_cast<size_t>(mLevel->mBallCount))
        mTrackSpeed = kOpeningSpeed;

    if (count > 0 && !mLost) {
        mLost = std::any_of(mBalls.begin(), mBalls.end(), [this](const std::unique_ptr<Ball>& ball) {
            return Distance(ball->mX, ball->mY, mLevel->mEndX, mLevel->mEndY) < Level::kEndRadius;
        });
        if (mLost) {
            for (const auto& ball : mBalls)
                ball->StartRemoval();
        }
    }
}

void Board::SpawnBall()
{
    mSpawnRequested = false;
    if (mPendingSymbols.empty())
        return;
    float x = mLevel->mSpawnX + static_cast<float>(Platform::Rand() % kSpawnScatter);
    float y = mLevel->mSpawnY + static_cast<float>(Platform::Rand() % kSpawnScatter);
    if (!mBalls.empty() && Platform::Rand() % 2 == 1) {
        const Ball& inside = *mBalls[static_cast<size_t>(Platform::Rand()) % mBalls.size()];
        x = inside.mX;
        y = inside.mY;
    }
    const auto size = static_cast<float>((Platform::Rand() % 10) / 20.0 + 0.5);
    auto ball = std::make_unique<Ball>(mRenderer.get(), x, y, size);
    const int symbol = mPendingSymbols.front();
    mPendingSymbols.pop_front();
    ball->SetUp(symbol, mLevel->mSymbolSet);
    ball->mTranslucent = Platform::Rand() % (2 * mDifficulty + 2) == 0;
    mBalls.push_back(std::move(ball));
}

void Board::PurgeRemovedBalls()
{
    std::erase_if(mBalls,
        [](const std::unique_ptr<Ball>& ball) { return ball->mBeingRemoved && ball->mRemovalCounter == 0; });
}

void Board::Draw(Vorn::Graphics* g)
{
    if (!mPlaying)
        return;
    mLevel->Draw(g);
    mLevel->QueueChildren();
    for (const auto& ball : mBalls)
        ball->QueueChildren();
    mRenderer->Draw(g);
    mRenderer->DrawParticles(g);
    DrawHud(g);
    if (IsLevelCleared())
        DrawCentred(g, IMAGE_NEXT_LEVEL, mWidth, kEndPictureY);
    if (IsGameOver())
        DrawCentred(g, IMAGE_GAME_OVER, mWidth, kEndPictureY);
    if (mPaused || !mHasFocus)
        g->DrawImage(IMAGE_PAUSE, 0, 0);
}

void Board::DrawHud(Vorn::Graphics* g)
{
    g->SetFont(FONT_SCORE);
    g->SetColor(Vorn::Color(255, 255, 255));
    const std::string score = Vorn::FormatString("%d", mDisplayedScore);
    g->DrawString(score, kScoreCentreX - FONT_SCORE->StringWidth(score) / 2, kScoreBaseline);
    if (mPopupFrames != 0) {
        --mPopupFrames;
        g->DrawString(Vorn::FormatString("+%d", mPopupPoints), mPopupX, mPopupY);
        --mPopupY;
    }
}

void Board::KeyUp(int keyCode)
{
    if (keyCode == kKeyF1) {
        // The help takes the focus: the board stands still under it and
        // goes on when it closes. It deletes itself.
        auto* help = new TutorialScreen();
        help->CreateReturnButton();
        help->Resize(0, 0, mWidth, mHeight);
        mParent->AddWidget(help);
    } else if (keyCode == kKeyPause || keyCode == kKeyEscape) {
        mPaused = true;
    }
}

void Board::MouseMove(int x, int y)
{
    mPointerX = x;
    mPointerY = y;
}

void Board::MouseUpButton(int, int, int button, int)
{
    if (mPaused) {
        mPaused = false;
        return;
    }
    if (button == 0)
        ClickBall();
    if (IsGameOver()) {
        AddTopScore(*this);
        DeleteAutosave();
        ReturnToMenu();
    } else if (IsLevelCleared()) {
        CompleteLevel();
    }
}

void Board::OnAttached(Vorn::WidgetManager* manager)
{
    Vorn::Widget::OnAttached(manager);
    mMenuButton = std::make_unique<Vorn::ButtonWidget>(kMenuButtonId, this);
    mMenuButton->mButtonImage = IMAGE_MENU;
    mMenuButton->mOverImage = IMAGE_MENU;
    // The reverse of the title's buttons: cel 1 is the resting look.
    mMenuButton->mNormalRect = IMAGE_MENU->GetCelRect(1);
    mMenuButton->mOverRect = IMAGE_MENU->GetCelRect(0);
    mMenuButton->mDoFinger = true;
    const int width = IMAGE_MENU->GetWidth();
    const int height = IMAGE_MENU->GetHeight();
    mMenuButton->Resize(kMenuButtonCentreX - width / 2, kMenuButtonCentreY - height / 2, width, height);
    manager->AddWidget(mMenuButton.get());
    mMenuButton->SetVisible(true);
}

void Board::OnDetached(Vorn::WidgetManager* manager)
{
    Vorn::Widget::OnDetached(manager);
    if (mMenuButton)
        manager->RemoveWidget(mMenuButton.get());
}

void Board::ButtonDepress(int id)
{
    if (id != kMenuButtonId)
        return;
    WriteAutosave();
    ReturnToMenu();
}

void Board::ReturnToMenu()
{
    // The menu button leaves with the board (OnDetached).
    mApp->mWidgetManager->RemoveWidget(this);
    if (mMenuButton)
        mApp->QueueWidgetDeletion(mMenuButton.release());
    mApp->QueueWidgetDeletion(this);
    mApp->ReturnToTitle(mLost);
}

void Board::PlaySound(int id)
{
    mApp->PlaySoundById(id);
}
