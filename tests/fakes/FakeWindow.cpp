#include "fakes/FakeWindow.h"

namespace Platform {

void PrintTo(const MessageRecord& record, std::ostream* os)
{
    *os << std::hex << "{0x" << record.message << ", 0x" << record.wParam << ", 0x" << record.lParam << "}"
        << std::dec;
}

} // namespace Platform

namespace Testing {

using Platform::MessageRecord;

namespace {

const char* StyleName(Platform::WindowStyle style)
{
    switch (style) {
    case Platform::WindowStyle::Framed: return "Framed";
    case Platform::WindowStyle::FullScreen: return "FullScreen";
    case Platform::WindowStyle::Hidden: return "Hidden";
    }
    return "?";
}

} // namespace

void FakeWindow::Inject(const MessageRecord& message)
{
    std::lock_guard lock(mQueueMutex);
    mInjected.push_back(message);
}

void FakeWindow::MovePointer(Platform::Point newPosition, bool inside)
{
    mPointerX = newPosition.x;
    mPointerY = newPosition.y;
    mPointerInside = inside;
}

void FakeWindow::FireTimers()
{
    const std::map<uintptr_t, uint32_t> timers = mTimers;
    for (const auto& [id, period] : timers)
        Deliver({Platform::WM_TIMER, id, 0});
}

bool FakeWindow::Create(const Platform::WindowDescription& description)
{
    mCalls.push_back("Create " + std::to_string(description.clientWidth) + "x" +
                     std::to_string(description.clientHeight) + " " + StyleName(description.style));
    mCreated = false;
    mVisible = false;
    mTimers.clear();
    if (!createError.empty()) {
        mError = createError;
        return false;
    }
    mDescription = description;
    mTitle = description.title;
    mClientSize = {description.clientWidth, description.clientHeight};
    if (description.position) {
        const bool framed = description.style == Platform::WindowStyle::Framed;
        position = {description.position->x + (framed ? frame.left : 0),
                    description.position->y + (framed ? frame.top : 0)};
    }
    mCreated = true;
    mError.clear();
    return true;
}

void FakeWindow::Destroy()
{
    mCalls.push_back("Destroy");
    mCreated = false;
    mVisible = false;
    mTimers.clear();
}

void FakeWindow::Show(bool activate)
{
    mCalls.push_back(activate ? "Show activate" : "Show");
    mVisible = true;
}

void FakeWindow::Hide()
{
    mCalls.push_back("Hide");
    mVisible = false;
}

void FakeWindow::BringToFront()
{
    mCalls.push_back("BringToFront");
    minimized = false;
    focused = true;
}

void FakeWindow::SetTitle(const std::string& title)
{
    mCalls.push_back("SetTitle " + title);
    mTitle = title;
}

void FakeWindow::SetPosition(Platform::Point newPosition)
{
    mCalls.push_back("SetPosition " + std::to_string(newPosition.x) + "," + std::to_string(newPosition.y));
    position = newPosition;
}

void FakeWindow::SetClientSize(Platform::Size size)
{
    mCalls.push_back("SetClientSize " + std::to_string(size.width) + "x" + std::to_string(size.height));
    mClientSize = size;
}

Platform::Size FakeWindow::DrawableSize() const
{
    return mDescription.style == Platform::WindowStyle::FullScreen ? desktopSize : mClientSize;
}

void FakeWindow::PumpMessages()
{
    std::deque<MessageRecord> messages;
    {
        std::lock_guard lock(mQueueMutex);
        messages.swap(mPosted);
        messages.insert(messages.end(), mInjected.begin(), mInjected.end());
        mInjected.clear();
    }
    for (const MessageRecord& message : messages)
        Deliver(message);
    if (!later.empty()) {
        Inject(later.front());
        later.pop_front();
    }
}

bool FakeWindow::PostMessage(const MessageRecord& message)
{
    std::lock_guard lock(mQueueMutex);
    if (mPosted.size() >= kMaxPostedMessages)
        return false;
    mPosted.push_back(message);
    return true;
}

void FakeWindow::SetTimer(uintptr_t id, uint32_t periodMs)
{
    mCalls.push_back("SetTimer " + std::to_string(id) + " " + std::to_string(periodMs));
    mTimers[id] = periodMs;
}

void FakeWindow::KillTimer(uintptr_t id)
{
    mCalls.push_back("KillTimer " + std::to_string(id));
    mTimers.erase(id);
}

Platform::Point FakeWindow::CursorPosition() const
{
    return {mPointerX.load(), mPointerY.load()};
}

void FakeWindow::ShowCursor(bool visible)
{
    mCalls.push_back(visible ? "ShowCursor" : "HideCursor");
    mCursorShown = visible;
}

void FakeWindow::SetCursor(const Platform::Cursor& cursor)
{
    mCalls.push_back("SetCursor");
    mCurrentCursor = &cursor;
}

const Platform::Cursor& FakeWindow::SystemCursor(Platform::SystemCursorShape shape)
{
    FakeCursor& cursor = mSystemCursors[shape];
    cursor.shape = shape;
    return cursor;
}

std::unique_ptr<Platform::Cursor> FakeWindow::CreateCursor(const uint32_t* argb, int width, int height,
                                                           Platform::Point hotSpot)
{
    if (!argb || width < 1 || height < 1 || width > kMaxCursorSide || height > kMaxCursorSide || hotSpot.x < 0 ||
        hotSpot.y < 0 || hotSpot.x >= width || hotSpot.y >= height)
        return nullptr;
    auto cursor = std::make_unique<FakeCursor>();
    cursor->argb.assign(argb, argb + size_t(width) * size_t(height));
    cursor->width = width;
    cursor->height = height;
    cursor->hotSpot = hotSpot;
    return cursor;
}

bool FakeWindow::Present(const Platform::Frame& frame, const Platform::Rect& destination)
{
    return Keep(frame, destination, std::nullopt);
}

bool FakeWindow::PresentCopying(const Platform::Frame& frame, const Platform::Rect& destination, uint8_t* copy,
                                int copyPitch)
{
    ++copyingPresents;
    return Platform::Window::PresentCopying(frame, destination, copy, copyPitch);
}

bool FakeWindow::PresentArea(const Platform::Frame& frame, const Platform::Rect& destination,
                             const Platform::Rect& area)
{
    return Keep(frame, destination, area);
}

bool FakeWindow::Keep(const Platform::Frame& frame, const Platform::Rect& destination,
                      const std::optional<Platform::Rect>& area)
{
    Presented presented{frame.width, frame.height, frame.format, destination, area, {}};
    if (!Platform::IsReadable(frame)) {
        mError = "Present: unreadable frame";
        return false;
    }
    presented.pixels.resize(size_t(frame.width) * size_t(frame.height));
    Platform::ConvertToXrgb8888(frame, presented.pixels.data(), frame.width * 4);
    if (onPresent)
        onPresent(presented);
    else
        mPresents.push_back(std::move(presented));
    return true;
}

void FakeWindow::Deliver(const MessageRecord& message)
{
    if (mProcedure)
        mProcedure(*this, message);
}

} // namespace Testing
