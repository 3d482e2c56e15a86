#include "BoardHarness.h"

#include "fakes/RecordingImage.h"

#include "framework/app/PathUtils.h"
#include "framework/display/DDInterface.h"
#include "framework/resources/ResourceManager.h"
#include "game/GameResources.h"
#include "platform/Random.h"

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <utility>

namespace Testing {

namespace {

struct Picture {
    Vorn::Image** global;
    const char* id;
    int width, height, rows, cols;
};

// The pictures the board draws, with the sizes and cels of the game's data;
// emptied when the harness that set them goes, since they go with it.
const std::array<Picture, 35> kBoardPictures = {{{&IMAGE_BKG_1_1, "IMAGE_BKG_1_1", 800, 600, 1, 1},
    {&IMAGE_BKG_1_2, "IMAGE_BKG_1_2", 800, 600, 1, 1}, {&IMAGE_BKG_1_3, "IMAGE_BKG_1_3", 800, 600, 1, 1},
    {&IMAGE_BKG_1_4, "IMAGE_BKG_1_4", 800, 600, 1, 1}, {&IMAGE_BKG_2_1, "IMAGE_BKG_2_1", 800, 600, 1, 1},
    {&IMAGE_BKG_2_2, "IMAGE_BKG_2_2", 800, 600, 1, 1}, {&IMAGE_BKG_2_3, "IMAGE_BKG_2_3", 800, 600, 1, 1},
    {&IMAGE_BKG_2_4, "IMAGE_BKG_2_4", 800, 600, 1, 1}, {&IMAGE_BKG_3_1, "IMAGE_BKG_3_1", 800, 600, 1, 1},
    {&IMAGE_BKG_3_2, "IMAGE_BKG_3_2", 800, 600, 1, 1}, {&IMAGE_BKG_3_3, "IMAGE_BKG_3_3", 800, 600, 1, 1},
    {&IMAGE_BKG_3_4, "IMAGE_BKG_3_4", 800, 600, 1, 1}, {&IMAGE_BKG_4_1, "IMAGE_BKG_4_1", 800, 600, 1, 1},
    {&IMAGE_BKG_4_2, "IMAGE_BKG_4_2", 800, 600, 1, 1}, {&IMAGE_BKG_4_3, "IMAGE_BKG_4_3", 800, 600, 1, 1},
    {&IMAGE_BKG_4_4, "IMAGE_BKG_4_4", 800, 600, 1, 1}, {&IMAGE_BONUS, "IMAGE_BONUS", 480, 96, 1, 5},
    {&IMAGE_GAME_OVER, "IMAGE_GAME_OVER", 520, 190, 1, 1}, {&IMAGE_MENU, "IMAGE_MENU", 104, 56, 2, 1},
    {&IMAGE_NEXT_LEVEL, "IMAGE_NEXT_LEVEL", 520, 190, 1, 1}, {&IMAGE_SYMBOLS, "IMAGE_SYMBOLS", 384, 384, 4, 4},
    {&IMAGE_TOKEN_1, "IMAGE_TOKEN_1", 96, 96, 1, 1}, {&IMAGE_TOKEN_2, "IMAGE_TOKEN_2", 96, 96, 1, 1},
    {&IMAGE_TOKEN_3, "IMAGE_TOKEN_3", 96, 96, 1, 1}, {&IMAGE_TOKEN_4, "IMAGE_TOKEN_4", 96, 96, 1, 1},
    {&IMAGE_TOKEN_5, "IMAGE_TOKEN_5", 96, 96, 1, 1}, {&IMAGE_TOKEN_6, "IMAGE_TOKEN_6", 96, 96, 1, 1},
    {&IMAGE_TOKEN_SHADOW, "IMAGE_TOKEN_SHADOW", 120, 120, 1, 1}, {&IMAGE_TRACK_1, "IMAGE_TRACK_1", 800, 600, 1, 1},
    {&IMAGE_TRACK_2, "IMAGE_TRACK_2", 800, 600, 1, 1}, {&IMAGE_TRACK_3, "IMAGE_TRACK_3", 800, 600, 1, 1},
    {&IMAGE_TRACK_4, "IMAGE_TRACK_4", 800, 600, 1, 1},
    {&IMAGE_VORTEX_BOTTOM, "IMAGE_VORTEX_BOTTOM", 180, 180, 1, 1},
    {&IMAGE_VORTEX_TOP, "IMAGE_VORTEX_TOP", 180, 180, 1, 1}, {&IMAGE_PAUSE, "IMAGE_PAUSE", 800, 600, 1, 1}}};

bool Hovers(const Ball& ball, int x, int y)
{
    const float dx = static_cast<float>(x) - ball.mX;
    const float dy = static_cast<float>(y) - ball.mY;
    return std::sqrt(dx * dx + dy * dy) < Ball::kRadius * ball.mSize;
}

bool Clickable(const Ball& ball)
{
    return ball.mGrowCounter == 0 && !ball.mBeingRemoved && !ball.mOpen;
}

} // namespace

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadGameFile(const std::string& name)
{
    return ReadFile(kGameFolder + "/" + name);
}

void NumberSounds()
{
    const std::array<int*, 10> flips = {&SOUND_FLIP1, &SOUND_FLIP2, &SOUND_FLIP3, &SOUND_FLIP4, &SOUND_FLIP5,
        &SOUND_FLIP6, &SOUND_FLIP7, &SOUND_FLIP8, &SOUND_FLIP9, &SOUND_FLIP10};
    for (size_t i = 0; i < flips.size(); ++i)
        *flips[i] = 101 + static_cast<int>(i);
    SOUND_DELETE1 = 201;
    SOUND_DELETE2 = 202;
    SOUND_DELETE3 = 203;
    SOUND_BONUS = 301;
    SOUND_EXPLODE = 302;
    SOUND_SCORE = 303;
}

BoardHarness::BoardHarness(uint32_t seed)
{
    std::filesystem::current_path(kGameFolder);
    Vorn::SetAppDataFolder(mDataDir.Path() + "/");
    Platform::SRand(seed);
    NumberSounds();
}

BoardHarness::~BoardHarness()
{
    ForgetPictures();
    if (mArchive)
        Vorn::gPakInterface = mPreviousArchive;
}

void BoardHarness::ForgetPictures()
{
    if (!mPicturesSet)
        return;
    for (const Picture& picture : kBoardPictures)
        *picture.global = nullptr;
    FONT_SCORE = nullptr;
    NumberSounds();
}

void BoardHarness::WithRecordingPictures()
{
    for (const Picture& picture : kBoardPictures) {
        auto standIn = std::make_unique<RecordingImage>(picture.width, picture.height, picture.id);
        standIn->mNumRows = picture.rows;
        standIn->mNumCols = picture.cols;
        *picture.global = standIn.get();
        mStandIns.push_back(std::move(standIn));
    }
    mOwnFont = std::make_unique<FixedFont>();
    mScoreFont = mOwnFont.get();
    FONT_SCORE = mScoreFont;
    mPicturesSet = true;
}

Ball& BoardHarness::AddBall(Board& board, float x, float y, int symbol, float size)
{
    auto ball = std::make_unique<Ball>(board.mRenderer.get(), x, y, size);
    ball->SetUp(symbol, board.mLevel->mSymbolSet);
    while (ball->mGrowCounter != 0)
        ball->Update();
    board.mBalls.push_back(std::move(ball));
    return *board.mBalls.back();
}

std::unique_ptr<Board> BoardHarness::MakeBoard(int difficulty)
{
    auto board = std::make_unique<Board>(&mApp, difficulty);
    board->Resize(0, 0, mApp.mWidth, mApp.mHeight);
    board->mHasFocus = true;
    return board;
}

bool BoardHarness::WithPictures(Platform::Window* window, bool threeD)
{
    mArchive = std::make_unique<Vorn::PakInterface>();
    mPreviousArchive = std::exchange(Vorn::gPakInterface, mArchive.get());
    mArchive->AddArchive(kGameFolder + "/main.pak");
    mApp.mDDInterface = std::make_unique<Vorn::DDInterface>(&mApp);
    if (window) {
        mApp.mDDInterface->mIs3D = threeD;
        if (mApp.mDDInterface->Init(window, true) != Vorn::DDInterface::RESULT_OK)
            return false;
    }
    Vorn::ResourceManager& resources = *mApp.mResourceManager;
    resources.ReadManifestFile("properties\\resources.xml");
    for (const char* group : {"Init", "TitleScreen", "Game"})
        resources.LoadGroup(group);
    FetchInitResources(resources);
    FetchTitleScreenResources(resources);
    FetchGameResources(resources);
    NumberSounds();
    mPicturesSet = true;
    return true;
}

void BoardHarness::Run(Board& board, int updates)
{
    for (int i = 0; i < updates; ++i)
        board.Update();
}

void BoardHarness::Click(Board& board, int x, int y, int button)
{
    board.MouseMove(x, y);
    board.Update();
    board.MouseUpButton(x, y, button, 1);
}

const Ball* BoardHarness::BallAt(const Board& board, int x, int y)
{
    for (const auto& ball : board.mBalls) {
        if (!ball->mBeingRemoved && Hovers(*ball, x, y))
            return ball.get();
    }
    return nullptr;
}

bool BoardHarness::ClickPoint(const Board& board, const Ball& ball, int& x, int& y)
{
    // The centre first, then rings toward the rim, where an older ball the
    // target overlaps may leave it free.
    const float radius = Ball::kRadius * ball.mSize;
    for (const float reach : {0.0f, 0.3f, 0.6f, 0.85f}) {
        for (int step = 0; step < (reach == 0.0f ? 1 : 16); ++step) {
            const double angle = step * 3.14159265358979 / 8.0;
            x = static_cast<int>(std::lround(ball.mX + reach * radius * std::cos(angle)));
            y = static_cast<int>(std::lround(ball.mY + reach * radius * std::sin(angle)));
            if (BallAt(board, x, y) == &ball)
                return true;
        }
    }
    return false;
}

bool BoardHarness::ClearOnePair(Board& board)
{
    int x = 0;
    int y = 0;
    // A ball left open is matched first: a click anywhere else would miss.
    for (const auto& open : board.mBalls) {
        if (!open->mOpen || open->mBeingRemoved)
            continue;
        for (const auto& partner : board.mBalls) {
            if (partner != open && partner->mSymbol == open->mSymbol && Clickable(*partner) &&
                ClickPoint(board, *partner, x, y)) {
                Click(board, x, y);
                return true;
            }
        }
        return false;
    }
    for (size_t i = 0; i < board.mBalls.size(); ++i) {
        const Ball& first = *board.mBalls[i];
        if (!Clickable(first) || !ClickPoint(board, first, x, y))
            continue;
        for (size_t j = i + 1; j < board.mBalls.size(); ++j) {
            const Ball& second = *board.mBalls[j];
            if (second.mSymbol != first.mSymbol || !Clickable(second))
                continue;
            Click(board, x, y);
            if (ClickPoint(board, second, x, y))
                Click(board, x, y);
            return true;
        }
    }
    return false;
}

bool BoardHarness::PlayStage(Board& board, int maxUpdates)
{
    const int end = board.mUpdateCnt + maxUpdates;
    while (board.mUpdateCnt < end) {
        if (board.IsLevelCleared())
            return true;
        if (board.mLost)
            return false;
        if (!ClearOnePair(board))
            Run(board, 1);
    }
    return false;
}

} // namespace Testing
