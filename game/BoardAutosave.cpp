// The game in progress kept in the autosave file: written by the menu
// button, read at every stage set-up, deleted when a stage is cleared or the
// game is over.

#include "game/Board.h"

#include "framework/app/FileUtils.h"
#include "framework/app/PathUtils.h"
#include "game/AutosaveRecord.h"
#include "game/GameApp.h"
#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "platform/RegularFile.h"

#include <filesystem>
#include <sstream>
#include <system_error>

AutosaveRecord Board::MakeAutosaveRecord() const
{
    AutosaveRecord record;
    record.displayedScore = mDisplayedScore;
    record.scoreToAdd = mScoreToAdd;
    record.stage = mStage;
    record.difficulty = mDifficulty;
    record.spawnRequested = mSpawnRequested;
    record.lost = mLost;
    record.reserved = mReserved;
    record.trackSpeed = mTrackSpeed;
    record.combo = mCombo;
    record.misses = mMisses;
    record.stopTimer = mStopTimer;
    record.reverseTimer = mReverseTimer;
    record.revealTimer = mRevealTimer;
    record.revealCounter = mRevealCounter;
    record.speedUpTimer = mSpeedUpTimer;
    record.travel = mTravel;
    record.pending.assign(mPendingSymbols.begin(), mPendingSymbols.end());
    for (const auto& ball : mBalls) {
        AutosaveRecord::SavedBall& saved = record.balls.emplace_back();
        saved.size = ball->mSize;
        saved.x = ball->mX;
        saved.y = ball->mY;
        saved.velocityX = ball->GetVelocityX();
        saved.velocityY = ball->GetVelocityY();
        saved.symbol = ball->mSymbol;
        saved.symbolSet = ball->mSymbolSet;
        saved.hovered = ball->mHovered;
        saved.open = ball->mOpen;
        saved.specialKind = ball->mSpecialKind;
        saved.beingRemoved = ball->mBeingRemoved;
        saved.reserved1 = ball->mReserved1;
        saved.reserved2 = ball->mReserved2;
        saved.flipCounter = ball->mFlipCounter;
        saved.removalCounter = ball->mRemovalCounter;
        saved.specialLifetime = ball->mSpecialLifetime;
        saved.heldShown = ball->mHeldShown;
        saved.translucent = ball->mTranslucent;
    }
    return record;
}

bool Board::WriteAutosave() const
{
    std::ostringstream text;
    MakeAutosaveRecord().Write(text);
    Vorn::MakeDirectories(Vorn::GetAppDataFolder() + kSaveFolderName);
    return Platform::WriteFileAtomically(Platform::ResolveFileName(AutosavePath()), text.str());
}

bool Board::LoadAutosave()
{
    AutosaveRecord record;
    {
        Platform::RegularFileStream in(Platform::ResolveFileName(AutosavePath()));
        if (!in)
            return false;
        if (!record.Read(in)) {
            in.Close();
            DeleteAutosave();
            return false;
        }
    }

    mDisplayedScore = record.displayedScore;
    mScoreToAdd = record.scoreToAdd;
    mStage = record.stage;
    mDifficulty = record.difficulty;
    mLevel.reset();
    mLevel = std::make_unique<Level>(mRenderer.get());
    mLevel->Load(mStage, mDifficulty);
    mSpawnRequested = record.spawnRequested;
    mLost = record.lost;
    mReserved = record.reserved;
    mTrackSpeed = record.trackSpeed;
    mCombo = record.combo;
    mMisses = record.misses;
    mStopTimer = record.stopTimer;
    mReverseTimer = record.reverseTimer;
    mRevealTimer = record.revealTimer;
    mRevealCounter = record.revealCounter;
    mSpeedUpTimer = record.speedUpTimer;
    mTravel = record.travel;
    mPendingSymbols.assign(record.pending.begin(), record.pending.end());

    for (const AutosaveRecord::SavedBall& saved : record.balls) {
        auto ball = std::make_unique<Ball>(mRenderer.get(), saved.x, saved.y, saved.size);
        ball->SetVelocityX(saved.velocityX);
        ball->SetVelocityY(saved.velocityY);
        // A new random body picture; the ball grows in again at rest.
        ball->SetUp(saved.symbol, saved.symbolSet);
        ball->mHovered = saved.hovered;
        ball->mOpen = saved.open;
        ball->SetSpecial(saved.specialKind);
        ball->mBeingRemoved = saved.beingRemoved;
        ball->mReserved1 = saved.reserved1;
        ball->mReserved2 = saved.reserved2;
        ball->mFlipCounter = saved.flipCounter;
        ball->mRemovalCounter = saved.removalCounter;
        ball->mSpecialLifetime = saved.specialLifetime;
        ball->mHeldShown = saved.heldShown;
        ball->mTranslucent = saved.translucent;
        mBalls.push_back(std::move(ball));
    }
    return true;
}

bool Board::DeleteAutosave()
{
    std::error_code error;
    std::filesystem::remove(Platform::ResolveFileName(AutosavePath()), error);
    return !error;
}
