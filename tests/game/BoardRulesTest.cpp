// The rules of play: what a left click does, the points of matches and
// misses, the making of special balls and what each does when matched.

#include "game/Board.h"

#include "BoardHarness.h"
#include "ReferenceRand.h"
#include "game/GameResources.h"
#include "platform/Random.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <vector>

namespace {

using Testing::BoardHarness;

using Testing::ReferenceRand;

// A stage with nothing pending and balls placed in two straights of the
// first track, 100 pixels apart, far from its end.
class Rules : public ::testing::Test {
protected:
    Rules() : mBoard(mHarness.MakeBoard(1))
    {
        mBoard->mPendingSymbols.clear();
        mHarness.mApp.mPlayed.clear();
    }

    Ball& Add(int symbol, int slot)
    {
        return At(symbol, 250.0f + 100.0f * static_cast<float>(slot % 4), 150.0f + 124.0f * static_cast<float>(slot / 4));
    }
    Ball& At(int symbol, float x, float y) { return BoardHarness::AddBall(*mBoard, x, y, symbol); }

    // A left release over the ball, as the player makes it.
    void ClickOn(const Ball& ball) { BoardHarness::Click(*mBoard, static_cast<int>(ball.mX), static_cast<int>(ball.mY)); }
    void ClickOnNothing() { BoardHarness::Click(*mBoard, 700, 500); }
    int TrueScore() const { return mBoard->mDisplayedScore + mBoard->mScoreToAdd; }

    BoardHarness mHarness{99};
    std::unique_ptr<Board> mBoard;
};

TEST_F(Rules, AClickOpensTheBallUnderThePointerWhenNoneIsOpen)
{
    Ball& ball = Add(2, 0);
    ClickOn(ball);
    EXPECT_TRUE(ball.mOpen);
    EXPECT_EQ(ball.mFlipCounter, 100);
    EXPECT_EQ(TrueScore(), 0);
    EXPECT_EQ(mBoard->mMisses, 0);
    ASSERT_EQ(mHarness.mApp.mPlayed.size(), 1u);
    EXPECT_GE(mHarness.mApp.mPlayed[0], SOUND_FLIP1);
    EXPECT_LE(mHarness.mApp.mPlayed[0], SOUND_FLIP10);
}

TEST_F(Rules, MatchesScoreTenTwentyThirtyInARunAndAMissBreaksIt)
{
    std::vector<Ball*> balls;
    for (int i = 0; i < 8; ++i)
        balls.push_back(&Add(i / 2, i));
    const std::array<int, 4> expected = {10, 30, 30 - 2, 28 + 10};
    for (int pair = 0; pair < 4; ++pair) {
        ClickOn(*balls[2 * pair]);
        if (pair == 2)
            ClickOnNothing();
        else
            ClickOn(*balls[2 * pair + 1]);
        EXPECT_EQ(TrueScore(), expected[static_cast<size_t>(pair)]) << pair;
    }
    EXPECT_EQ(mBoard->mCombo, 1);
    EXPECT_EQ(mBoard->mMisses, 0);
    EXPECT_TRUE(balls[7]->mBeingRemoved && balls[6]->mBeingRemoved);
    EXPECT_FALSE(balls[5]->mBeingRemoved || balls[4]->mBeingRemoved);
    EXPECT_FALSE(balls[4]->mOpen);
}

TEST_F(Rules, AMatchRemovesBothShowsThePointsAtTheSecondBallAndPlaysADeleteSound)
{
    Ball& first = Add(3, 0);
    Ball& second = Add(3, 3);
    ClickOn(first);
    mHarness.mApp.mPlayed.clear();
    ClickOn(second);
    EXPECT_TRUE(first.mBeingRemoved);
    EXPECT_TRUE(second.mBeingRemoved);
    EXPECT_EQ(first.mRemovalCounter, 100);
    EXPECT_EQ(mBoard->mPopupFrames, 100);
    EXPECT_EQ(mBoard->mPopupPoints, 10);
    EXPECT_EQ(mBoard->mPopupX, static_cast<int>(second.mX));
    EXPECT_EQ(mBoard->mPopupY, static_cast<int>(second.mY));
    ASSERT_EQ(mHarness.mApp.mPlayed.size(), 2u);
    EXPECT_GE(mHarness.mApp.mPlayed[1], SOUND_DELETE1);
    EXPECT_LE(mHarness.mApp.mPlayed[1], SOUND_DELETE3);
    BoardHarness::Run(*mBoard, 20);
    EXPECT_TRUE(mBoard->mBalls.empty());
    EXPECT_TRUE(mBoard->IsLevelCleared());
}

TEST_F(Rules, AClickOnNothingClosesTheOpenBallAndCostsTwoPoints)
{
    Ball& ball = Add(1, 0);
    ClickOn(ball);
    ClickOnNothing();
    EXPECT_FALSE(ball.mOpen);
    EXPECT_EQ(TrueScore(), -2);
    EXPECT_EQ(mBoard->mMisses, 1);
}

TEST_F(Rules, AnotherSymbolOpensTheNewBallClosesTheFirstAndTheNewOneIsOpenNext)
{
    Ball& first = Add(1, 0);
    Ball& other = Add(2, 1);
    Ball& partner = Add(2, 2);
    ClickOn(first);
    ClickOn(other);
    EXPECT_FALSE(first.mOpen);
    EXPECT_TRUE(other.mOpen);
    EXPECT_EQ(TrueScore(), -2);
    ClickOn(partner);
    EXPECT_TRUE(other.mBeingRemoved && partner.mBeingRemoved);
    EXPECT_FALSE(first.mBeingRemoved);
    EXPECT_EQ(TrueScore(), 8);
}

TEST_F(Rules, ClickingTheOpenBallAgainKeepsItOpenButIsAMiss)
{
    Ball& ball = Add(1, 0);
    ClickOn(ball);
    mBoard->mCombo = 3;
    ClickOn(ball);
    EXPECT_TRUE(ball.mOpen);
    EXPECT_FALSE(ball.mBeingRemoved);
    EXPECT_EQ(TrueScore(), -2);
    EXPECT_EQ(mBoard->mCombo, 0);
}

TEST_F(Rules, TenMissesCostTwentyAndTheEleventhStartsTheSpeedUp)
{
    Ball& ball = Add(1, 0);
    for (int miss = 1; miss <= 10; ++miss) {
        ClickOn(ball);
        ClickOnNothing();
        EXPECT_EQ(mBoard->mMisses, miss);
    }
    EXPECT_EQ(TrueScore(), -20);
    EXPECT_EQ(mBoard->mSpeedUpTimer, 0);
    ClickOn(ball);
    ClickOnNothing();
    EXPECT_EQ(mBoard->mMisses, 0);
    EXPECT_EQ(mBoard->mSpeedUpTimer, 200);
    EXPECT_EQ(TrueScore(), -22);
}

TEST_F(Rules, ABallAlreadyShrinkingAwayIsNotMatchedAgain)
{
    Ball& open = Add(4, 0);
    Ball& shrinking = Add(4, 1);
    Ball& fresh = Add(4, 2);
    Ball& partner = Add(4, 3);
    open.mOpen = true;
    shrinking.StartRemoval();
    // Both under the pointer, the shrinking one first: the other is taken.
    shrinking.mHovered = true;
    fresh.mHovered = true;
    mBoard->ClickBall();
    EXPECT_TRUE(open.mBeingRemoved);
    EXPECT_TRUE(fresh.mBeingRemoved);
    EXPECT_FALSE(partner.mBeingRemoved);
    EXPECT_EQ(mBoard->mScoreToAdd, 10);
    // Alone under the pointer it is a click on nothing.
    partner.mOpen = true;
    fresh.mHovered = false;
    mBoard->ClickBall();
    EXPECT_FALSE(partner.mOpen);
    EXPECT_EQ(mBoard->mScoreToAdd, 8);
}

TEST_F(Rules, OnlyTheOldestHoveredBallIsLookedAt)
{
    Ball& open = Add(5, 0);
    Ball& older = Add(6, 1);
    Ball& newer = Add(5, 2);
    open.mOpen = true;
    older.mHovered = true;
    newer.mHovered = true;
    mBoard->ClickBall();
    EXPECT_TRUE(older.mOpen);
    EXPECT_FALSE(newer.mOpen);
    EXPECT_FALSE(open.mOpen);
    EXPECT_EQ(mBoard->mScoreToAdd, -2);
}

struct SpecialCase {
    int kind;
    int reverse, stop, reveal;
};

class SpecialMatched : public Rules, public ::testing::WithParamInterface<SpecialCase> {};

TEST_P(SpecialMatched, SetsItsTimerAndPlaysTheBonus)
{
    const SpecialCase c = GetParam();
    Ball& first = Add(1, 0);
    Ball& second = Add(1, 1);
    first.SetSpecial(c.kind);
    mBoard->mRevealCounter = 7;
    ClickOn(first);
    ClickOn(second);
    EXPECT_EQ(mBoard->mReverseTimer, c.reverse);
    EXPECT_EQ(mBoard->mStopTimer, c.stop);
    EXPECT_EQ(mBoard->mRevealTimer, c.reveal);
    // Two clicks, two updates of the counter.
    EXPECT_EQ(mBoard->mRevealCounter, c.reveal != 0 ? 0 : 5);
    EXPECT_EQ(std::count(mHarness.mApp.mPlayed.begin(), mHarness.mApp.mPlayed.end(), SOUND_BONUS), 1);
    EXPECT_EQ(TrueScore(), 10);
}

INSTANTIATE_TEST_SUITE_P(Kinds, SpecialMatched,
    ::testing::Values(SpecialCase{1, 400, 0, 0}, SpecialCase{2, 0, 300, 0}, SpecialCase{3, 0, 0, 500}));

TEST_F(Rules, TwoSpecialsAreBothAppliedTheFirstOpenedFirst)
{
    Ball& first = Add(1, 0);
    Ball& second = Add(1, 4);
    first.SetSpecial(Ball::kSpecialBomb);
    second.SetSpecial(Ball::kSpecialStop);
    ClickOn(first);
    mHarness.mApp.mPlayed.clear();
    ClickOn(second);
    ASSERT_EQ(mHarness.mApp.mPlayed.size(), 4u);
    EXPECT_EQ(mHarness.mApp.mPlayed[1], SOUND_EXPLODE);
    EXPECT_EQ(mHarness.mApp.mPlayed[2], SOUND_BONUS);
    EXPECT_EQ(mBoard->mStopTimer, 300);
}

TEST_F(Rules, TheBombBlastsClosedBallsWithinTwoHundredAndFiresTheExplosionThere)
{
    Ball& bomb = At(0, 250.0f, 150.0f);
    Ball& partner = At(0, 700.0f, 150.0f);
    Ball& near = At(1, 300.0f, 150.0f);
    Ball& edge = At(1, 450.0f, 150.0f);
    Ball& open = At(2, 260.0f, 190.0f);
    Ball& far = At(3, 450.5f, 150.0f);
    bomb.SetSpecial(Ball::kSpecialBomb);
    bomb.mOpen = true;
    open.mOpen = true;
    partner.mHovered = true;
    mBoard->mPendingSymbols = {2, 2};
    mBoard->ClickBall();
    EXPECT_TRUE(bomb.mBeingRemoved && partner.mBeingRemoved);
    EXPECT_TRUE(near.mBeingRemoved);
    EXPECT_TRUE(edge.mBeingRemoved);
    EXPECT_FALSE(far.mBeingRemoved);
    EXPECT_FALSE(open.mBeingRemoved);
    EXPECT_EQ(mBoard->mPendingSymbols, (std::deque<int>{2, 2}));
    ASSERT_FALSE(mBoard->mExplosion->mEmitters.empty());
    for (const auto& emitter : mBoard->mExplosion->mEmitters) {
        EXPECT_TRUE(emitter->mEnabled);
        EXPECT_EQ(emitter->mX, 250);
        EXPECT_EQ(emitter->mY, 150);
    }
    EXPECT_EQ(mBoard->mScoreToAdd, 10);
    EXPECT_EQ(std::count(mHarness.mApp.mPlayed.begin(), mHarness.mApp.mPlayed.end(), SOUND_EXPLODE), 1);
}

TEST_F(Rules, AnOddBlastTakesOneMoreOfItsSymbolFromThePendingFirst)
{
    Ball& bomb = At(0, 250.0f, 150.0f);
    Ball& partner = At(0, 700.0f, 150.0f);
    const std::array<Ball*, 3> threes = {&At(3, 300.0f, 150.0f), &At(3, 300.0f, 190.0f), &At(3, 400.0f, 150.0f)};
    Ball& outsideThree = At(3, 600.0f, 150.0f);
    bomb.SetSpecial(Ball::kSpecialBomb);
    bomb.mOpen = true;
    partner.mHovered = true;
    mBoard->mPendingSymbols = {1, 3, 1, 3};
    mBoard->ClickBall();
    for (Ball* three : threes)
        EXPECT_TRUE(three->mBeingRemoved);
    EXPECT_EQ(mBoard->mPendingSymbols, (std::deque<int>{1, 1, 3}));
    EXPECT_FALSE(outsideThree.mBeingRemoved);
}

TEST_F(Rules, WithoutOnePendingTheOddBlastTakesTheOldestClosedBallOfItsSymbol)
{
    Ball& bomb = At(0, 250.0f, 150.0f);
    Ball& partner = At(0, 700.0f, 150.0f);
    Ball& blasted = At(15, 300.0f, 150.0f);
    Ball& openOne = At(15, 320.0f, 190.0f);
    Ball& removedOne = At(15, 700.0f, 300.0f);
    Ball& keeper = At(15, 650.0f, 150.0f);
    Ball& taken = At(15, 600.0f, 300.0f);
    openOne.mOpen = true;
    removedOne.StartRemoval();
    bomb.SetSpecial(Ball::kSpecialBomb);
    bomb.mOpen = true;
    partner.mHovered = true;
    mBoard->mPendingSymbols = {12, 12};
    mBoard->ClickBall();
    EXPECT_TRUE(blasted.mBeingRemoved);
    EXPECT_TRUE(keeper.mBeingRemoved);
    EXPECT_FALSE(taken.mBeingRemoved);
    EXPECT_FALSE(openOne.mBeingRemoved);
    EXPECT_EQ(mBoard->mPendingSymbols, (std::deque<int>{12, 12}));
}

TEST_F(Rules, AfterAMatchASpecialIsDrawnWithOddsThatShrinkWithTheCombo)
{
    for (int i = 0; i < 4; ++i)
        Add(i % 2 + 1, i);
    for (int combo : {0, 1, 3, 4, 6, 9}) {
        mBoard->mCombo = combo;
        for (const auto& ball : mBoard->mBalls) {
            ball->mSpecialKind = 0;
            ball->mOverlaySprite->mFrame = 0;
        }
        const uint32_t seed = 1000u + static_cast<uint32_t>(combo);
        Platform::SRand(seed);
        ReferenceRand rand(seed);
        mBoard->MaybeMakeSpecial();
        const int odds = std::max(1 - combo + 4, 1);
        int expectedBall = -1;
        int expectedKind = 0;
        if (rand.Next() % odds == 0) {
            expectedBall = rand.Next() % 4;
            expectedKind = rand.Next() % 3 + 2;
        }
        for (int i = 0; i < 4; ++i) {
            const Ball& ball = *mBoard->mBalls[static_cast<size_t>(i)];
            EXPECT_EQ(ball.mSpecialKind, i == expectedBall ? expectedKind : 0) << combo;
        }
        EXPECT_EQ(Platform::Rand(), rand.Next()) << combo;
    }
}

TEST_F(Rules, NoSpecialIsMadeWhileOneRunsAndAChosenSpecialBallKeepsItsKind)
{
    Ball& ball = Add(1, 0);
    mBoard->mCombo = 10;
    mBoard->mRevealTimer = 1;
    Platform::SRand(5);
    mBoard->MaybeMakeSpecial();
    EXPECT_EQ(ball.mSpecialKind, 0);
    EXPECT_EQ(Platform::Rand(), ReferenceRand(5).Next());
    EXPECT_TRUE(mBoard->IsSpecialActive());
    mBoard->mRevealTimer = 0;
    mBoard->mSpeedUpTimer = 100;
    EXPECT_FALSE(mBoard->IsSpecialActive());
    ball.SetSpecial(Ball::kSpecialReverse);
    ball.mSpecialLifetime = 17;
    mBoard->MaybeMakeSpecial();
    EXPECT_EQ(ball.mSpecialKind, Ball::kSpecialReverse);
    EXPECT_EQ(ball.mSpecialLifetime, 17);
    mBoard->mReverseTimer = 1;
    EXPECT_TRUE(mBoard->IsSpecialActive());
    mBoard->mReverseTimer = 0;
    mBoard->mStopTimer = 1;
    EXPECT_TRUE(mBoard->IsSpecialActive());
}

TEST_F(Rules, TheScoreToAddStaysWithinIntAtItsEnds)
{
    Ball& first = Add(1, 0);
    Ball& second = Add(1, 1);
    first.mOpen = true;
    second.mHovered = true;
    mBoard->mScoreToAdd = 2147483647 - 5;
    mBoard->ClickBall();
    EXPECT_EQ(mBoard->mScoreToAdd, 2147483647);
    Ball& alone = Add(2, 2);
    alone.mOpen = true;
    second.mHovered = false;
    mBoard->mScoreToAdd = -2147483647;
    mBoard->ClickBall();
    EXPECT_EQ(mBoard->mScoreToAdd, -2147483647 - 1);
}

TEST_F(Rules, FlipAndMatchSoundsAreDrawnFromTheGamesGenerator)
{
    Platform::SRand(31);
    ReferenceRand rand(31);
    for (int i = 0; i < 20; ++i) {
        mBoard->PlayFlipSound();
        mBoard->PlayMatchSound();
    }
    const std::array<int, 10> flips = {SOUND_FLIP1, SOUND_FLIP2, SOUND_FLIP3, SOUND_FLIP4, SOUND_FLIP5, SOUND_FLIP6,
        SOUND_FLIP7, SOUND_FLIP8, SOUND_FLIP9, SOUND_FLIP10};
    const std::array<int, 3> deletes = {SOUND_DELETE1, SOUND_DELETE2, SOUND_DELETE3};
    for (size_t i = 0; i < 20; ++i) {
        EXPECT_EQ(mHarness.mApp.mPlayed[2 * i], flips[static_cast<size_t>(rand.Next() % 10)]);
        EXPECT_EQ(mHarness.mApp.mPlayed[2 * i + 1], deletes[static_cast<size_t>(rand.Next() % 3)]);
    }
}

} // namespace
