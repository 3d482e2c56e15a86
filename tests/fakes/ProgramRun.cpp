#include "fakes/ProgramRun.h"

#include "fakes/XvfbRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace Testing {

ProgramEnd RunProgram(const TempDir& dir, const std::string& commandLine, int seconds)
{
    for (const char* folder : {"config", "data", "runtime"})
        std::filesystem::create_directories(dir / folder);
    std::filesystem::permissions(dir / "runtime", std::filesystem::perms::owner_all);
    // The crash handler asks the application's hooks only once the report is
    // on disk and with the reporter, and those hooks allocate by design: the
    // thread sanitizer's report of each such call, symbolised while the
    // reporter waits, could outlast the reporter's wait for the hooks.
    dir.WriteFile("run.sh", "timeout -k 5 " + std::to_string(seconds) +
                                " env SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy "
                                "ASAN_OPTIONS=handle_segv=0:handle_abort=0:handle_sigfpe=0:handle_sigbus=0:"
                                "handle_sigill=0:detect_leaks=0 "
                                "TSAN_OPTIONS=handle_segv=0:handle_abort=0:handle_sigfpe=0:handle_sigbus=0:"
                                "handle_sigill=0:report_signal_unsafe=0 "
                                "XDG_CONFIG_HOME=\"$PWD/config\" XDG_DATA_HOME=\"$PWD/data\" "
                                "XDG_RUNTIME_DIR=\"$PWD/runtime\" " +
                                commandLine + " 2> stderr.txt\necho $? > status.txt\n");
    const std::string command = "cd '" + dir.Path() + "' && sh run.sh";
    ProgramEnd end;
    if (std::system(command.c_str()) != 0)
        return end;
    std::ifstream status(dir / "status.txt");
    if (!(status >> end.status) || end.status == 124 || end.status == 137)
        end.status = -1;
    end.standardError = ReadTextFile(dir / "stderr.txt");
    return end;
}

} // namespace Testing
