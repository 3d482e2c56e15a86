#include "fakes/PinnedFonts.h"

#include <fontconfig/fontconfig.h>

#include <filesystem>

namespace Testing {

bool PinSystemFonts()
{
    static const bool pinned = [] {
        if (!std::filesystem::exists(kDejaVuSans) || !std::filesystem::exists(kDejaVuSansBold))
            return false;
        FcConfig* config = FcConfigCreate();
        for (const std::string& file : {kDejaVuSans, kDejaVuSansBold})
            FcConfigAppFontAddFile(config, reinterpret_cast<const FcChar8*>(file.c_str()));
        // Made current, it holds a reference of its own.
        const bool current = FcConfigSetCurrent(config) == FcTrue;
        FcConfigDestroy(config);
        return current;
    }();
    return pinned;
}

} // namespace Testing
