#include "framework/widgets/EditListener.h"

namespace Vorn {

void EditListener::EditWidgetText(int, const std::string&) {}

bool EditListener::AllowKey(int, int)
{
    return true;
}

bool EditListener::AllowChar(int, char)
{
    return true;
}

bool EditListener::AllowText(int, const std::string&)
{
    return true;
}

} // namespace Vorn
