#include "platform/CrashSignals.h"

#include "platform/Thread.h"

#include <atomic>
#include <cstdlib>
#include <cxxabi.h>
#include <dlfcn.h>
#include <exception>
#include <link.h>
#include <memory>
#include <signal.h>
#include <sys/uio.h>
#include <ucontext.h>
#include <unistd.h>
#include <unwind.h>

namespace Platform {

namespace {

constexpr int kSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT};
constexpr int kSignalCount = sizeof(kSignals) / sizeof(kSignals[0]);

constexpr uint32_t kAccessViolation = 0xC0000005;
constexpr uint32_t kInPageError = 0xC0000006;
constexpr uint32_t kMisalignment = 0x80000002;
constexpr uint32_t kIllegalInstruction = 0xC000001D;
constexpr uint32_t kPrivilegedInstruction = 0xC0000096;
constexpr uint32_t kArrayBoundsExceeded = 0xC000008C;
constexpr uint32_t kFloatDivideByZero = 0xC000008E;
constexpr uint32_t kFloatInexactResult = 0xC000008F;
constexpr uint32_t kFloatInvalidOperation = 0xC0000090;
constexpr uint32_t kFloatOverflow = 0xC0000091;
constexpr uint32_t kFloatUnderflow = 0xC0000093;
constexpr uint32_t kIntegerDivideByZero = 0xC0000094;
constexpr uint32_t kIntegerOverflow = 0xC0000095;
constexpr uint32_t kStackOverflow = 0xC00000FD;
constexpr uint32_t kUncaughtCppException = 0xE06D7363;
constexpr uint32_t kFatalAppExit = 0x40000015;

// A push or a call that ran off the stack faults just below the stack
// pointer; a prologue that reserved a large frame faults above it, inside
// the frame. Both lie in the guard region under the stack.
constexpr uintptr_t kBelowStackPointer = 4096;
constexpr uintptr_t kAboveStackPointer = 64 * 1024;

CrashHandler gHandler = nullptr;
struct sigaction gPrevious[kSignalCount];
bool gInstalled[kSignalCount] = {};
std::terminate_handler gPreviousTerminate = nullptr;
std::atomic<bool> gUncaughtException{false};
// The thread handling a fault; 0 while none is.
std::atomic<uint32_t> gHandlingThread{0};
// One fault is handled in a process's life: the record lives here rather
// than on the crash stack.
CrashFault gFault;
// The loader names the program by the command that started it ("./zarquel",
// or a bare name found on the PATH): a reader needs the file.
char gProgramFile[4096];

// Reads through the kernel, which answers a bad address with an error
// instead of a fault.
bool ReadWord(uintptr_t address, uintptr_t& value)
{
    iovec local{&value, sizeof(value)};
    iovec remote{reinterpret_cast<void*>(address), sizeof(value)};
    return process_vm_readv(getpid(), &local, 1, &remote, 1, 0) == static_cast<ssize_t>(sizeof(value));
}

struct UnwindWalk {
    CrashFault* fault;
    bool reachedFault = false;
    bool reachedOutermost = false;
};

void ReadParams(StackFrame& frame)
{
    for (int i = 0; i < kFrameParams; ++i) {
        if (!ReadWord(frame.frame + i * sizeof(uintptr_t), frame.params[i]))
            frame.params[i] = 0;
    }
}

// The first frames are the handler's own; the one the kernel interrupted is
// the first that the unwinder marks as starting at its instruction rather
// than after a call. A frame's canonical frame address is known only once
// the unwinder has stepped past it: the one it tells with a frame is its
// callee's.
_Unwind_Reason_Code CollectFrame(_Unwind_Context* context, void* argument)
{
    UnwindWalk& walk = *static_cast<UnwindWalk*>(argument);
    int beforeInstruction = 0;
    const uintptr_t pc = _Unwind_GetIPInfo(context, &beforeInstruction);
    if (!walk.reachedFault) {
        if (beforeInstruction == 0)
            return _URC_NO_REASON;
        walk.reachedFault = true;
    }
    CrashFault& fault = *walk.fault;
    if (fault.frameCount > 0) {
        StackFrame& callee = fault.frames[fault.frameCount - 1];
        callee.frame = static_cast<uintptr_t>(_Unwind_GetCFA(context));
        ReadParams(callee);
    }
    // The outermost frame's caller is nowhere; only the failing frame may
    // be at 0 (a call through a null pointer).
    if (pc == 0 && fault.frameCount > 0) {
        walk.reachedOutermost = true;
        return _URC_END_OF_STACK;
    }
    if (fault.frameCount == kMaxStackFrames)
        return _URC_END_OF_STACK;
    fault.frames[fault.frameCount++] = {0, pc};
    return _URC_NO_REASON;
}

_Unwind_Reason_Code IgnoreFrame(_Unwind_Context*, void*)
{
    return _URC_END_OF_STACK;
}

// Each saved frame pointer must lie above the last, aligned, and readable.
void WalkFramePointers(CrashFault& fault, uintptr_t pc, uintptr_t frame)
{
    fault.byFramePointers = true;
    fault.frames[0] = {frame, pc};
    fault.frameCount = 1;
    while (fault.frameCount < kMaxStackFrames && frame % sizeof(uintptr_t) == 0) {
        uintptr_t next = 0;
        uintptr_t returnAddress = 0;
        if (!ReadWord(frame, next) || !ReadWord(frame + sizeof(uintptr_t), returnAddress) || next <= frame ||
            next % sizeof(uintptr_t) != 0)
            return;
        frame = next;
        fault.frames[fault.frameCount++] = {frame, returnAddress};
    }
}

void ReadRegisters(const ucontext_t& context, CrashRegisters& registers)
{
#if defined(__x86_64__)
    const greg_t* g = context.uc_mcontext.gregs;
    const int order[] = {REG_RAX, REG_RBX, REG_RCX, REG_RDX, REG_RSI, REG_RDI, REG_R8,
                         REG_R9,  REG_R10, REG_R11, REG_R12, REG_R13, REG_R14, REG_R15};
    for (int i = 0; i < 14; ++i)
        registers.general[i] = static_cast<uint64_t>(g[order[i]]);
    registers.rip = static_cast<uint64_t>(g[REG_RIP]);
    registers.rsp = static_cast<uint64_t>(g[REG_RSP]);
    registers.rbp = static_cast<uint64_t>(g[REG_RBP]);
    registers.flags = static_cast<uint64_t>(g[REG_EFL]);
    // CS, GS and FS share one word, low half first.
    const auto segments = static_cast<uint64_t>(g[REG_CSGSFS]);
    registers.cs = static_cast<uint16_t>(segments);
    registers.gs = static_cast<uint16_t>(segments >> 16);
    registers.fs = static_cast<uint16_t>(segments >> 32);
    registers.known = true;
#else
    (void)context;
    (void)registers;
#endif
}

// The unwinder reads the interrupted registers from the context the kernel
// saved. A call through a null pointer is walked from its caller, which no
// unwind table for pc 0 leads to: the call is undone in the context for the
// walk and then put back. The frame the call never made stays first, its
// place the caller's stack pointer.
_Unwind_Reason_Code WalkStack(ucontext_t& context, uintptr_t faultAddress, UnwindWalk& walk)
{
#if defined(__x86_64__)
    uintptr_t returnAddress = 0;
    greg_t* g = context.uc_mcontext.gregs;
    const greg_t pc = g[REG_RIP];
    const greg_t stackPointer = g[REG_RSP];
    if (NullCallReturnAddress(static_cast<uintptr_t>(pc), faultAddress, static_cast<uintptr_t>(stackPointer),
                              returnAddress)) {
        g[REG_RIP] = static_cast<greg_t>(returnAddress);
        g[REG_RSP] = stackPointer + static_cast<greg_t>(sizeof(uintptr_t));
        walk.fault->frames[0] = {0, static_cast<uintptr_t>(pc)};
        walk.fault->frameCount = 1;
        const _Unwind_Reason_Code end = _Unwind_Backtrace(CollectFrame, &walk);
        g[REG_RIP] = pc;
        g[REG_RSP] = stackPointer;
        return end;
    }
#else
    (void)context;
    (void)faultAddress;
#endif
    return _Unwind_Backtrace(CollectFrame, &walk);
}

[[noreturn]] void EndBySignal(int signal)
{
    struct sigaction standard{};
    standard.sa_handler = SIG_DFL;
    sigemptyset(&standard.sa_mask);
    sigaction(signal, &standard, nullptr);
    sigset_t only;
    sigemptyset(&only);
    sigaddset(&only, signal);
    sigprocmask(SIG_UNBLOCK, &only, nullptr);
    raise(signal);
    _exit(128 + signal);
}

void OnSignal(int signal, siginfo_t* info, void* rawContext)
{
    const uint32_t self = CurrentThreadId();
    uint32_t handling = 0;
    if (!gHandlingThread.compare_exchange_strong(handling, self)) {
        // The catcher itself failed: what it had done is all there is.
        if (handling == self)
            _exit(128 + signal);
        for (;;)
            pause();
    }

    auto& context = *static_cast<ucontext_t*>(rawContext);
    CrashFault& fault = gFault;
    fault.signal = signal;
    fault.threadId = static_cast<uint64_t>(self);
    ReadRegisters(context, fault.registers);
    fault.address = static_cast<uintptr_t>(fault.registers.rip);
    fault.exceptionCode = ExceptionCodeOf(signal, info->si_code, reinterpret_cast<uintptr_t>(info->si_addr),
                                          static_cast<uintptr_t>(fault.registers.rsp), gUncaughtException.load());
    UnwindWalk walk{&fault};
    const _Unwind_Reason_Code walkEnd = WalkStack(context, reinterpret_cast<uintptr_t>(info->si_addr), walk);
    if (fault.frameCount == 0) {
        WalkFramePointers(fault, fault.address, static_cast<uintptr_t>(fault.registers.rbp));
    } else {
        fault.address = fault.frames[0].pc;
        fault.walkCutShort = !walk.reachedOutermost;
        fault.walkError = static_cast<int>(walkEnd);
    }

    if (gHandler != nullptr)
        gHandler(fault);
    EndBySignal(signal);
}

[[noreturn]] void OnTerminate()
{
    gUncaughtException = true;
    std::abort();
}

} // namespace

uint32_t ExceptionCodeOf(int signal, int code, uintptr_t faultAddress, uintptr_t stackPointer, bool uncaughtException)
{
    switch (signal) {
    case SIGSEGV:
        if (faultAddress + kBelowStackPointer >= stackPointer && faultAddress < stackPointer + kAboveStackPointer)
            return kStackOverflow;
        return kAccessViolation;
    case SIGBUS:
        return code == BUS_ADRALN ? kMisalignment : kInPageError;
    case SIGILL:
        return code == ILL_PRVOPC || code == ILL_PRVREG ? kPrivilegedInstruction : kIllegalInstruction;
    case SIGFPE:
        switch (code) {
        case FPE_INTDIV: return kIntegerDivideByZero;
        case FPE_INTOVF: return kIntegerOverflow;
        case FPE_FLTDIV: return kFloatDivideByZero;
        case FPE_FLTOVF: return kFloatOverflow;
        case FPE_FLTUND: return kFloatUnderflow;
        case FPE_FLTRES: return kFloatInexactResult;
        case FPE_FLTSUB: return kArrayBoundsExceeded;
        default: return kFloatInvalidOperation;
        }
    default:
        return uncaughtException ? kUncaughtCppException : kFatalAppExit;
    }
}

void InstallCrashHandler(CrashHandler handler)
{
    gHandler = handler;
    GiveThreadCrashStack();
    // Both load what they need on first use; in the handler nothing may be
    // loaded.
    _Unwind_Backtrace(IgnoreFrame, nullptr);
    Dl_info info;
    dladdr(reinterpret_cast<void*>(&InstallCrashHandler), &info);
    const ssize_t length = readlink("/proc/self/exe", gProgramFile, sizeof(gProgramFile) - 1);
    gProgramFile[length > 0 ? length : 0] = '\0';

    struct sigaction action{};
    action.sa_sigaction = OnSignal;
    sigemptyset(&action.sa_mask);
    // Without SA_NODEFER a second fault in the handler would kill the process
    // before the guard could end it cleanly.
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
    for (int i = 0; i < kSignalCount; ++i) {
        struct sigaction current{};
        if (sigaction(kSignals[i], nullptr, &current) != 0)
            continue;
        const bool owned = (current.sa_flags & SA_SIGINFO) != 0 ? current.sa_sigaction != nullptr
                                                                 : current.sa_handler != SIG_DFL;
        if (owned && current.sa_sigaction != OnSignal)
            continue;
        gInstalled[i] = sigaction(kSignals[i], &action, &gPrevious[i]) == 0;
    }
    gPreviousTerminate = std::set_terminate(OnTerminate);
}

void UninstallCrashHandler()
{
    for (int i = 0; i < kSignalCount; ++i) {
        if (gInstalled[i])
            sigaction(kSignals[i], &gPrevious[i], nullptr);
        gInstalled[i] = false;
    }
    if (gPreviousTerminate != nullptr)
        std::set_terminate(gPreviousTerminate);
    gPreviousTerminate = nullptr;
    gHandler = nullptr;
}

bool NullCallReturnAddress(uintptr_t pc, uintptr_t faultAddress, uintptr_t stackPointer, uintptr_t& returnAddress)
{
    CodeLocation location;
    return pc == 0 && faultAddress == pc && ReadWord(stackPointer, returnAddress) &&
           LocateCode(returnAddress, location);
}

bool LocateCode(uintptr_t address, CodeLocation& location)
{
    Dl_info info{};
    link_map* module = nullptr;
    if (dladdr1(reinterpret_cast<void*>(address), &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) == 0 ||
        info.dli_fname == nullptr)
        return false;
    // Only the program itself has no name of its own in the loader's list.
    const bool program = module != nullptr && module->l_name[0] == '\0' && gProgramFile[0] != '\0';
    location.module = program ? gProgramFile : info.dli_fname;
    location.moduleBase = reinterpret_cast<uintptr_t>(info.dli_fbase);
    location.symbol = info.dli_sname;
    location.symbolAddress = reinterpret_cast<uintptr_t>(info.dli_saddr);
    return true;
}

std::string DemangleSymbol(const std::string& name)
{
    int status = 0;
    const std::unique_ptr<char, decltype(&std::free)> plain(
        abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status), &std::free);
    return status == 0 && plain ? std::string(plain.get()) : name;
}

} // namespace Platform
