// Not a test of the program: two threads write one int without a lock. The
// ThreadSanitizer step requires this program's race report, so that a build
// that has lost its sanitizer cannot pass the step unnoticed.

#include <thread>

namespace {

int gShared = 0;

void Write()
{
    for (int i = 0; i < 1000; ++i)
        gShared = gShared + 1;
}

} // namespace

int main()
{
    std::thread first(Write);
    std::thread second(Write);
    first.join();
    second.join();
    return gShared > 0 ? 0 : 1;
}
