#include "framework/app/DebugPrint.h"

#include "framework/app/StringUtils.h"
#include "platform/DebugOutput.h"

#include <cstdarg>

namespace Vorn {

void DebugPrint(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    const std::string text = VFormatString(format, args);
    va_end(args);
    Platform::WriteDebugOutput(text);
}

} // namespace Vorn
