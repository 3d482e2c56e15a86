#include "platform/SystemInfo.h"

#include <sys/utsname.h>

namespace Platform {

std::string OperatingSystemVersion()
{
    utsname name{};
    if (uname(&name) != 0)
        return std::string();
    return std::string(name.sysname) + " " + name.release + " " + name.version + " " + name.machine;
}

} // namespace Platform
