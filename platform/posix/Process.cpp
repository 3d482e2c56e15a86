#include "platform/Process.h"

#include "platform/Thread.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <csignal>
#include <system_error>

extern char** environ;

namespace Platform {

namespace {

class SpawnAttributes {
public:
    SpawnAttributes()
    {
        posix_spawnattr_init(&mAttributes);
        // An ignored signal (a broken pipe, say) or a blocked one would stay
        // so in the new program.
        sigset_t none;
        sigset_t all;
        sigemptyset(&none);
        sigfillset(&all);
        posix_spawnattr_setsigmask(&mAttributes, &none);
        posix_spawnattr_setsigdefault(&mAttributes, &all);
        posix_spawnattr_setflags(&mAttributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    }
    ~SpawnAttributes() { posix_spawnattr_destroy(&mAttributes); }
    SpawnAttributes(const SpawnAttributes&) = delete;
    SpawnAttributes& operator=(const SpawnAttributes&) = delete;

    const posix_spawnattr_t* Get() const { return &mAttributes; }

private:
    posix_spawnattr_t mAttributes;
};

void Reap(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
}

} // namespace

bool StartProgram(const std::string& program, const std::vector<std::string>& arguments)
{
    if (program.empty())
        return false;
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    const SpawnAttributes attributes;
    pid_t pid = 0;
    if (posix_spawnp(&pid, program.c_str(), nullptr, attributes.Get(), argv.data(), environ) != 0)
        return false;
    // The opener may live as long as the browser it starts: it is waited for
    // on a thread of its own, never on the caller's.
    try {
        StartThread([pid] { Reap(pid); }).detach();
    } catch (const std::system_error&) {
        // Without a thread the finished program stays a zombie until we
        // exit; it did start, which is what the caller asked.
    }
    return true;
}

} // namespace Platform
