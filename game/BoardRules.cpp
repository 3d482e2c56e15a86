// The rules of play inside the board: what a left click does, how matches
// and misses score, how special balls are made and what each does.

#include "game/Board.h"

#include "game/GameApp.h"
#include "game/GameResources.h"
#include "platform/Random.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cmath>
#include <cstdint>

namespace {

constexpr int kMissCost = 2;
// More misses in a row than this start the speed-up.
constexpr int kMissLimit = 10;
constexpr int kSpeedUpUpdates = 200;
constexpr int kPopupFrames = 100;
constexpr int kReverseUpdates = 400;
constexpr int kStopUpdates = 300;
constexpr int kRevealUpdates = 500;
constexpr float kBlastRadius = 200.0f;
constexpr int kSymbols = 16;

// The oldest live ball that passes the test; null when none does.
template <typename Test>
Ball* FirstBall(const std::deque<std::unique_ptr<Ball>>& balls, Test test)
{
    const auto found = std::find_if(
        balls.begin(), balls.end(), [&test](const std::unique_ptr<Ball>& ball) { return test(*ball); });
    return found != balls.end() ? found->get() : nullptr;
}

} // namespace

void Board::ClickBall()
{
    PlayFlipSound();
    Ball* const open = FirstBall(mBalls, [](const Ball& ball) { return ball.mOpen && !ball.mBeingRemoved; });
    // A ball already shrinking away is passed over: pairing it a second time
    // would leave its partner alone for good.
    Ball* const clicked = FirstBall(mBalls, [](const Ball& ball) { return ball.mHovered && !ball.mBeingRemoved; });
    const int openSymbol = open != nullptr ? open->mSymbol : -1;
    Ball* candidate = nullptr;
    if (clicked != nullptr) {
        clicked->Flip();
        if (open != nullptr && clicked->mSymbol == openSymbol)
            candidate = clicked;
    }
    if (open == nullptr)
        return;

    if (candidate == nullptr || candidate == open) {
        open->Flip();
        ++mMisses;
        AddPoints(-kMissCost);
        mCombo = 0;
        if (mMisses > kMissLimit) {
            mMisses = 0;
            mSpeedUpTimer = kSpeedUpUpdates;
        }
        return;
    }

    if (open->mSpecialKind != Ball::kSpecialNone)
        ApplySpecial(*open);
    if (candidate->mSpecialKind != Ball::kSpecialNone)
        ApplySpecial(*candidate);
    open->StartRemoval();
    candidate->StartRemoval();
    const int points = (mCombo * 5 + 5) * 2;
    AddPoints(points);
    ++mCombo;
    mMisses = 0;
    mPopupFrames = kPopupFrames;
    mPopupPoints = points;
    mPopupX = static_cast<int>(candidate->mX);
    mPopupY = static_cast<int>(candidate->mY);
    MaybeMakeSpecial();
    PlayMatchSound();
}

void Board::PlayFlipSound()
{
    const std::array<int, 10> flips = {SOUND_FLIP1, SOUND_FLIP2, SOUND_FLIP3, SOUND_FLIP4, SOUND_FLIP5, SOUND_FLIP6,
        SOUND_FLIP7, SOUND_FLIP8, SOUND_FLIP9, SOUND_FLIP10};
    PlaySound(flips[static_cast<size_t>(Platform::Rand() % 10)]);
}

void Board::PlayMatchSound()
{
    const std::array<int, 3> deletes = {SOUND_DELETE1, SOUND_DELETE2, SOUND_DELETE3};
    PlaySound(deletes[static_cast<size_t>(Platform::Rand() % 3)]);
}

bool Board::IsSpecialActive() const
{
    return mReverseTimer > 0 || mStopTimer > 0 || mRevealTimer > 0;
}

void Board::MaybeMakeSpecial()
{
    if (IsSpecialActive())
        return;
    const int odds = std::max(mDifficulty - mCombo + 4, 1);
    if (Platform::Rand() % odds != 0)
        return;
    Ball& picked = *mBalls[static_cast<size_t>(Platform::Rand()) % mBalls.size()];
    if (picked.mSpecialKind == Ball::kSpecialNone)
        picked.SetSpecial(Platform::Rand() % 3 + Ball::kSpecialStop);
}

void Board::ApplySpecial(const Ball& ball)
{
    switch (ball.mSpecialKind) {
    case Ball::kSpecialReverse:
        mReverseTimer = kReverseUpdates;
        PlaySound(SOUND_BONUS);
        break;
    case Ball::kSpecialStop:
        mStopTimer = kStopUpdates;
        PlaySound(SOUND_BONUS);
        break;
    case Ball::kSpecialReveal:
        mRevealTimer = kRevealUpdates;
        mRevealCounter = 0;
        PlaySound(SOUND_BONUS);
        break;
    case Ball::kSpecialBomb: {
        PlaySound(SOUND_EXPLODE);
        mExplosion->SetEmittersPosition(static_cast<int>(ball.mX), static_cast<int>(ball.mY));
        mExplosion->SetEmittersActive(true);
        std::array<int, kSymbols> blasted{};
        for (const auto& other : mBalls) {
            if (other->mOpen || other->mBeingRemoved)
                continue;
            const float dx = other->mX - ball.mX;
            const float dy = other->mY - ball.mY;
            if (std::sqrt(dx * dx + dy * dy) > kBlastRadius)
                continue;
            if (other->mSymbol >= 0 && other->mSymbol < kSymbols)
                ++blasted[static_cast<size_t>(other->mSymbol)];
            other->StartRemoval();
        }
        // Every symbol stays paired: an odd blast takes one more of its
        // symbol, a pending one first.
        for (int symbol = 0; symbol < kSymbols; ++symbol) {
            if (blasted[static_cast<size_t>(symbol)] % 2 == 0)
                continue;
            const auto pending = std::find(mPendingSymbols.begin(), mPendingSymbols.end(), symbol);
            if (pending != mPendingSymbols.end())
                mPendingSymbols.erase(pending);
            else if (Ball* partner = FirstBall(mBalls, [symbol](const Ball& b) {
                         return b.mSymbol == symbol && !b.mOpen && !b.mBeingRemoved;
                     }))
                partner->StartRemoval();
        }
        break;
    }
    default:
        break;
    }
}

void Board::AddPoints(int points)
{
    mScoreToAdd = static_cast<int>(std::clamp<int64_t>(int64_t{mScoreToAdd} + points, INT_MIN, INT_MAX));
}
