#include "platform/Services.h"

#include "platform/FileSettingsStore.h"
#include "platform/Paths.h"

#include <memory>

namespace Platform {

Services SystemServices()
{
    static SystemClock clock;
    // Without a home no settings are kept: never in a folder others share.
    static const std::unique_ptr<FileSettingsStore> settings =
        UserConfigFolder().empty() ? nullptr : std::make_unique<FileSettingsStore>(UserConfigFolder());
    return Services{&clock, settings.get(), MakeSystemWindow};
}

} // namespace Platform
