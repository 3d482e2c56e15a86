#pragma once
// The system calls of the crash catcher: inside the signal handler (writing
// files, starting the reporter, handing it the report, waiting for it), all
// async-signal-safe and none allocating; and on the reporter's side, the
// reading of what it is handed.

#include <cstddef>
#include <cstdint>

namespace Platform {

// The reporter finds its end of the channel here.
inline constexpr int kReporterChannelFd = 3;

// Inside the signal handler.
namespace SignalSafe {

// Empties or creates the regular file for writing; -1 when it cannot, and
// when the name holds anything else (a link, a FIFO), which stays as it was.
int CreateFile(const char* path);
// Makes the file afresh for writing in place of whatever had the name; -1
// when it cannot.
int CreateNewFile(const char* path);
bool WriteAll(int fd, const void* data, size_t size);
void Close(int fd);
// Puts the file at `from` in place of the one at `to`.
bool Rename(const char* from, const char* to);
void Remove(const char* path);

struct Reporter {
    int pid = -1;
    // Our end of the channel: what is sent here the reporter reads from
    // kReporterChannelFd. -1 when no reporter was started.
    int channel = -1;
};
// Starts `program` (an absolute path, "/proc/self/exe" for ourselves) with
// `argv` and our environment, its signals at their defaults and unblocked,
// and no descriptor of ours but the channel. The child copies nothing before
// it runs the program: it takes no lock the fault may hold.
Reporter StartReporter(const char* program, const char* const* argv);
// False when the reporter has not taken everything within the time or has
// gone; no signal is raised for a reporter that went.
bool Send(int channel, const void* data, size_t size, int timeoutMs);
// Waits until the process has ended.
void WaitFor(int pid);

} // namespace SignalSafe

// On the reporter's side.
namespace ReporterChannel {

// Up to `size` bytes within the time: their count; 0 when the other end
// has closed, -1 when nothing came in time or the channel failed.
long Receive(int fd, void* data, size_t size, int timeoutMs);
// The crashed process, when it stops answering: it waits for the reporter
// and would otherwise never end.
int ParentProcess();
void Kill(int pid);

} // namespace ReporterChannel

} // namespace Platform
