#pragma once
// The desktop's clipboard, in the framework's Windows-1252 text. It belongs
// to the display connection a window opened: without a window there is none.

#include <string>

namespace Platform {

// False when there is no clipboard or the desktop refused the text.
// Characters are stored as UTF-8 for other programs.
bool SetClipboardText(const std::string& text);

// The clipboard's text; characters without a 1252 byte are dropped. Empty
// when there is no clipboard or no text on it.
std::string GetClipboardText();

} // namespace Platform
