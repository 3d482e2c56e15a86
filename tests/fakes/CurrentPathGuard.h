#pragma once
// Puts the working folder back to where it was when the guard was made.

#include <filesystem>

namespace Testing {

class CurrentPathGuard {
public:
    CurrentPathGuard() : mPath(std::filesystem::current_path()) {}
    ~CurrentPathGuard() { std::filesystem::current_path(mPath); }
    CurrentPathGuard(const CurrentPathGuard&) = delete;
    CurrentPathGuard& operator=(const CurrentPathGuard&) = delete;

private:
    std::filesystem::path mPath;
};

} // namespace Testing
