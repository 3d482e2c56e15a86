#pragma once
// The reporter's side of a crash: the copy of the program started by the
// crash catcher reads what the crashed one hands it, writes the final
// report and shows it.

#include "framework/crash/CrashHandoff.h"
#include "framework/crash/CrashUpload.h"

#include <string>

namespace CrashCatcher {

// In the current folder.
inline constexpr const char* kCrashFileName = "crash.txt";

struct FinalReport {
    std::string title;
    // The report as the clipboard takes it: without the source lines and the
    // map file's lines.
    std::string clipboardText;
    // As "crash.txt", the window and the upload have it.
    std::string text;
    CrashUpload upload;
};

// Names the handoff's frames from their modules' files, with their source
// lines (the loader's names stay where the files tell nothing), demangles the
// names (each cut to 255 characters), writes the report, adds the
// application's text and the lines of the map file in `mapFolder`, and
// gathers what an upload would send.
FinalReport MakeFinalReport(CrashHandoff& handoff, const std::string& mapFolder);

// The reporter's whole run on its end of the channel: the handoff, "crash.txt"
// in the current folder, the clipboard, the windows (or, where none can be
// seen, the report on standard error). A crashed program that stops
// answering is ended: it waits for us. The exit code.
int ReportCrash(int channel);

} // namespace CrashCatcher
