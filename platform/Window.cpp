#include "platform/Window.h"

#include <map>
#include <mutex>

namespace Platform {

uint32_t RegisterMessage(const std::string& name)
{
    static std::mutex mutex;
    static std::map<std::string, uint32_t> numbers;
    std::lock_guard lock(mutex);
    const auto found = numbers.find(name);
    if (found != numbers.end())
        return found->second;
    const uint32_t number = kFirstRegisteredMessage + static_cast<uint32_t>(numbers.size());
    if (number > 0xFFFF)
        return 0;
    numbers.emplace(name, number);
    return number;
}

bool Window::PresentCopying(const Frame& frame, const Rect& destination, uint8_t* copy, int copyPitch)
{
    CopyFrame(frame, copy, copyPitch);
    return Present(frame, destination);
}

bool Window::PresentArea(const Frame& frame, const Rect& destination, const Rect&)
{
    return Present(frame, destination);
}

} // namespace Platform
