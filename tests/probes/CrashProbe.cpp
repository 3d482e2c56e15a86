// crash_probe MODE [DEMO]: fails as MODE says, for the crash catcher's tests.
// Its crashes start a copy of it as their reporter, as the game's do.
//
//   segv      a write to address 0 on the main thread, without an application
//   alone     the same in a program that offers no reporter
//   local     a write to address 0 in a function private to this file
//   localalone  the same in a program that offers no reporter
//   divide    an integer division by zero
//   abort     abort()
//   throw     an exception that nothing catches
//   overflow  a recursion that runs out of stack
//   params    the write to address 0 in a function given ten arguments, the
//             last four of which its caller passes on the stack
//   nullcall  a call through a null function pointer, made by a function
//             that main calls
//   nounwind  the write to address 0 called from code that has no unwind
//             information, which the unwinder cannot get past
//   record    an application recording a demo to DEMO: commands at updates 3
//             and 5, then at update 40 a write to address 0
//   thread    the same, the write made on a second thread while the main
//             thread waits for it
//
// The functions that fail are exported, so that the handler's report names
// them, apart from the private one, which only the reporter names.

#include "framework/app/VornAppBase.h"
#include "framework/crash/CrashCatcher.h"
#include "platform/Clock.h"
#include "platform/Thread.h"

#include <cstdio>
#include <cstdlib>
#include <sys/mman.h>
#include <cstring>
#include <stdexcept>
#include <string>

extern "C" {

__attribute__((noinline, no_sanitize("undefined"))) void CrashProbeWriteNull()
{
    volatile int* volatile address = nullptr;
    *address = 1;
}

__attribute__((noinline, no_sanitize("undefined"))) int CrashProbeDivide(int numerator)
{
    volatile int zero = 0;
    return numerator / zero;
}

__attribute__((noinline, noclone, no_sanitize("undefined"))) void CrashProbeStackArguments(long, long, long, long, long,
                                                                                           long, long, long, long, long)
{
    volatile int* volatile address = nullptr;
    *address = 3;
}

__attribute__((noinline)) void CrashProbeThrow()
{
    throw std::runtime_error("nothing catches this");
}

// Never set: the call is through a null pointer only the compiler must not
// see.
void (*volatile gCrashProbeNothing)() = nullptr;

// Never set: the recursion has an end only the compiler must believe in.
volatile bool gCrashProbeStop = false;

__attribute__((noinline)) int CrashProbeRecurse(int depth)
{
    if (gCrashProbeStop)
        return 0;
    volatile char frame[1024];
    frame[0] = static_cast<char>(depth);
    return CrashProbeRecurse(depth + 1) + frame[0];
}

// Not a tail call: the caller stays on the stack under the null call.
__attribute__((noinline)) void CrashProbeCallNothing()
{
    gCrashProbeNothing();
    gCrashProbeStop = false;
}

// Not a tail call: the body stays on the stack under the failing write.
__attribute__((noinline)) void CrashProbeThreadBody()
{
    CrashProbeWriteNull();
    gCrashProbeStop = false;
}

} // extern "C"

namespace {

__attribute__((noinline, noclone, no_sanitize("undefined"))) void CrashProbePrivateWrite()
{
    volatile int* volatile address = nullptr;
    *address = 2; // the private write
}

// Made at run time, so that no unwind table describes it: calls the function
// its first argument points to, its stack kept aligned.
void CallWithoutUnwindInformation(void (*function)())
{
    const unsigned char code[] = {
        0x48, 0x83, 0xEC, 0x08, // sub rsp, 8
        0xFF, 0xD7,             // call rdi
        0x48, 0x83, 0xC4, 0x08, // add rsp, 8
        0xC3,                   // ret
    };
    void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (page == MAP_FAILED)
        std::exit(3);
    std::memcpy(page, code, sizeof(code));
    reinterpret_cast<void (*)(void (*)())>(page)(function);
}

int RunApplication(const std::string& mode, const std::string& demo)
{
    Platform::SystemClock clock;
    Vorn::VornAppBase app(Platform::Services{&clock});
    app.mProductName = "CrashProbe";
    app.mProductVersion = "7.5";
    app.mDemoFileName = demo;
    app.mRandSeed = 0x12345678;
    app.SetDemoMode(Vorn::DemoMode::Recording);
    app.mUpdateCount = 3;
    app.mDemoStream.RecordCommand(app.mUpdateCount, Vorn::DemoCommand::KeyDown(0x41));
    app.mUpdateCount = 5;
    app.mDemoStream.RecordCommand(app.mUpdateCount, Vorn::DemoCommand::Close());
    app.mUpdateCount = 40;
    if (mode == "thread")
        Platform::StartThread(CrashProbeThreadBody).join();
    else
        CrashProbeWriteNull();
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (CrashCatcher::IsReporterCommandLine(argc, argv))
        return CrashCatcher::RunReporter();
    if (argc < 2)
        return 2;
    const std::string mode = argv[1];
    if (mode != "alone" && mode != "localalone")
        CrashCatcher::EnableReporter();
    if (mode == "segv" || mode == "alone")
        CrashProbeWriteNull();
    else if (mode == "local" || mode == "localalone")
        CrashProbePrivateWrite();
    else if (mode == "params")
        CrashProbeStackArguments(1, 2, 3, 4, 5, 6, 0x1111222233334444, 0x5555666677778888, 0x7777000011112222,
                                 0x3333444455556666);
    else if (mode == "nullcall")
        CrashProbeCallNothing();
    else if (mode == "nounwind")
        CallWithoutUnwindInformation(CrashProbeWriteNull);
    else if (mode == "divide")
        std::printf("%d\n", CrashProbeDivide(argc));
    else if (mode == "abort")
        std::abort();
    else if (mode == "throw")
        CrashProbeThrow();
    else if (mode == "overflow")
        std::printf("%d\n", CrashProbeRecurse(0));
    else if ((mode == "record" || mode == "thread") && argc == 3)
        return RunApplication(mode, argv[2]);
    return 2;
}
