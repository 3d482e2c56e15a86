#pragma once
// The system's modal message box, with the flag and answer numbers of the
// Windows box the framework's callers were written for.

#include <cstdint>
#include <string>

namespace Platform {

// Buttons (the low four bits of the flags).
inline constexpr uint32_t MB_OK = 0x0;
inline constexpr uint32_t MB_OKCANCEL = 0x1;
inline constexpr uint32_t MB_ABORTRETRYIGNORE = 0x2;
inline constexpr uint32_t MB_YESNOCANCEL = 0x3;
inline constexpr uint32_t MB_YESNO = 0x4;
inline constexpr uint32_t MB_RETRYCANCEL = 0x5;
// Icons.
inline constexpr uint32_t MB_ICONERROR = 0x10;
inline constexpr uint32_t MB_ICONQUESTION = 0x20;
inline constexpr uint32_t MB_ICONWARNING = 0x30;
inline constexpr uint32_t MB_ICONINFORMATION = 0x40;

// Answers.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Shows the box and waits for the answer. Texts are Windows-1252. Unknown
// button sets show OK alone. Closing the box answers Cancel when there is
// one, else the first button. Where no one could see the box (no display,
// or a headless driver) it writes "caption: text" to standard error and
// answers with its first button at once.
int ShowMessageBox(const std::string& text, const std::string& caption, uint32_t flags);

} // namespace Platform
