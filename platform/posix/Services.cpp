#include "platform/Services.h"

#include "platform/FileSettingsStore.h"
#include "platform/Paths.h"

namespace Platform {

Services SystemServices()
{
    static SystemClock clock;
    static FileSettingsStore settings(UserConfigFolder());
    return Services{&clock, &settings, MakeSystemWindow};
}

} // namespace Platform
