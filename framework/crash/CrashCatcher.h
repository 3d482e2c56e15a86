#pragma once
// The crash catcher turns a fault that nothing handles into a report: what
// failed and where, the stack with symbol names, the registers, the system
// and the application's own text. It is installed before main() runs and
// covers the whole life of the process.
//
// A crash runs in two processes. In the crashed one, inside the signal
// handler, only what is safe there: the short report goes to "crash.txt",
// a demo being recorded is closed and written from memory, and a reporter
// (a copy of the program started for it) is handed the facts; only then
// are the application's crash hooks asked, which may take locks the fault
// holds. The reporter demangles the names, adds the application's text and
// the map file's lines, replaces "crash.txt" with the final report, puts
// the report on the clipboard and shows the crash windows; the crashed
// process ends by its signal once the reporter has ended.
//
// The catcher reaches the application only through its own pointer, set at
// the end of the application's constructor and cleared first thing in its
// destructor, so that a crash while either runs never reaches a half-built
// or half-destroyed object.

#include <atomic>
#include <string>

namespace Vorn {

class VornAppBase;

// Atomic: a fault may be caught on any thread, in a signal handler.
extern std::atomic<VornAppBase*> gCrashHandlerApp;

} // namespace Vorn

namespace CrashCatcher {

// Run by a static initialiser and by its exit-time destructor.
void Install();
void Uninstall();

// Lets this program show its own crash windows: a crash then starts a copy
// of it with the reporter's command line. Without this a crash leaves the
// short report alone. Call first thing in main().
void EnableReporter();
// The reporter's command line: checked before any other, which would meet
// an option it does not know.
bool IsReporterCommandLine(int argc, const char* const* argv);
// The reporter's whole run; its exit code.
int RunReporter();

// The report server: a host, optionally ":" and a port. The program sets
// none, and without one no upload is offered.
void SetUploadAddress(const std::string& address);

} // namespace CrashCatcher
