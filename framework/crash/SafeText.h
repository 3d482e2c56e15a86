#pragma once
// Text formatted into a buffer its owner provides, without allocating or
// taking a lock: the crash catcher writes its report with it inside a signal
// handler. What does not fit is dropped, and the text stays terminated.

#include <cstdarg>
#include <cstddef>
#include <string_view>

namespace Vorn {

class SafeText {
public:
    // `capacity` counts the terminating zero; a capacity of 0 holds nothing.
    SafeText(char* buffer, size_t capacity);
    SafeText(const SafeText&) = delete;
    SafeText& operator=(const SafeText&) = delete;

    void Clear();
    void Append(std::string_view text);
    void Append(char c);
    // printf's %s %c %d %i %u %x %X and %%, with the flags '0' and '-', a
    // width, and the length modifiers h, l, ll and z. A null %s prints
    // nothing.
    void Format(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void FormatList(const char* format, va_list arguments);

    std::string_view View() const { return {mBuffer, mSize}; }
    const char* CString() const { return mCapacity == 0 ? "" : mBuffer; }
    size_t Size() const { return mSize; }
    // Something was dropped for want of room.
    bool Truncated() const { return mTruncated; }

private:
    void Pad(size_t count, char c);
    void Field(std::string_view text, size_t width, bool left, char pad);
    void Number(unsigned long long magnitude, bool negative, unsigned base, bool upper, size_t width, bool left,
                bool zero);

    char* mBuffer;
    size_t mCapacity;
    size_t mSize = 0;
    bool mTruncated = false;
};

} // namespace Vorn
