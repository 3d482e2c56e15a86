#pragma once
// Faults the program cannot survive: a bad memory access, a bad instruction,
// an arithmetic trap, an abort, and a C++ exception that nothing catches.
// One handler, the crash catcher's, sees each of them on the thread that
// failed, told what failed in the exception codes of the system the catcher
// was designed around, where, and how the thread got there.

#include <cstdint>
#include <string>

namespace Platform {

inline constexpr int kMaxStackFrames = 256;
// Words of a frame shown with it: where a caller's stack arguments lie.
inline constexpr int kFrameParams = 4;

// The processor's registers at the fault. Read on x86-64 only; elsewhere
// `known` stays false.
struct CrashRegisters {
    bool known = false;
    // RAX RBX RCX RDX RSI RDI R8 .. R15, in this order.
    uint64_t general[14] = {};
    uint64_t rip = 0;
    uint64_t rsp = 0;
    uint64_t rbp = 0;
    uint64_t flags = 0;
    uint16_t cs = 0;
    uint16_t fs = 0;
    uint16_t gs = 0;
};

struct StackFrame {
    // The frame's place on the stack, its canonical frame address: the stack
    // pointer its caller had before the call. 0 where the unwinder's walk
    // ended before it was known.
    uintptr_t frame = 0;
    // The failing instruction in the first frame; in the others the return
    // address, one past the call.
    uintptr_t pc = 0;
    // The machine words at `frame`, just above the return address; 0 where
    // unreadable. Read in the unwinder's walk only.
    uintptr_t params[kFrameParams] = {};
};

struct CrashFault {
    int signal = 0;
    uint32_t exceptionCode = 0;
    // The instruction that failed.
    uintptr_t address = 0;
    uint64_t threadId = 0;
    CrashRegisters registers;
    // From the failing function outward. Read from the program's unwind
    // tables; when they lead nowhere, the chain of saved frame pointers is
    // followed instead (`byFramePointers`), as far as it stays readable.
    StackFrame frames[kMaxStackFrames];
    int frameCount = 0;
    bool byFramePointers = false;
    // The unwinder's walk ended before it reached the caller of an outermost
    // frame (at 0): the stack shown is cut short. `walkError` is the reason
    // code the unwinder ended with.
    bool walkCutShort = false;
    int walkError = 0;
};

// Runs inside the signal handler, on the failing thread: only
// async-signal-safe work. Once it returns the process ends by the signal, as
// it would have without a handler.
using CrashHandler = void (*)(const CrashFault& fault);

// The handler for SIGSEGV, SIGBUS, SIGILL, SIGFPE and SIGABRT, and for C++
// exceptions that nothing catches (reported as the abort they end in). A
// signal that already has a handler (a sanitizer's) stays with it. The
// handler runs on the crash stack of threads that have one (see Thread.h);
// the calling thread is given one. A second fault on the thread that is
// handling one ends the process at once; a fault on any other thread
// meanwhile waits for the process to end.
void InstallCrashHandler(CrashHandler handler);
// Puts back what each signal had before.
void UninstallCrashHandler();

// The exception code of a signal with its si_code: 0xC0000005 for a bad
// memory access, 0xC00000FD when that access lies at the stack pointer (the
// stack ran out), 0xC0000094 for an integer division by zero, and so on;
// 0xE06D7363 for the abort of an uncaught C++ exception, 0x40000015 for any
// other abort.
uint32_t ExceptionCodeOf(int signal, int code, uintptr_t faultAddress, uintptr_t stackPointer,
                         bool uncaughtException);

// A call through a null pointer faults fetching its instruction at 0, with
// the return address the call pushed at `stackPointer`: that address, when
// the fault is such a call. False for any other fault, and for a return to 0
// whose stack holds no address in a loaded module there (a corrupted one).
bool NullCallReturnAddress(uintptr_t pc, uintptr_t faultAddress, uintptr_t stackPointer, uintptr_t& returnAddress);

// Where an address lies: the file of the module that holds it (the program's
// own by its absolute path, however it was started), the address the module
// was loaded at, and the exported symbol around it (null when none is). Asks
// the dynamic loader and never reads memory at the address itself.
struct CodeLocation {
    const char* module = nullptr;
    uintptr_t moduleBase = 0;
    const char* symbol = nullptr;
    uintptr_t symbolAddress = 0;
};
// False when no module holds the address.
bool LocateCode(uintptr_t address, CodeLocation& location);

// A symbol's name as the source wrote it; the name itself when it is not a
// mangled C++ name. Allocates: never inside the handler.
std::string DemangleSymbol(const std::string& name);

} // namespace Platform
