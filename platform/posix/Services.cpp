#include "platform/Services.h"

namespace Platform {

Services SystemServices()
{
    static SystemClock clock;
    return Services{&clock};
}

} // namespace Platform
