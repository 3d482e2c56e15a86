// box_until_term: opens the system's window "Zarquel box window", in which a
// termination signal arrives as a close request, shows the message box
// "Zarquel question" and, once the box is gone, pumps the window. Prints
// "Box closed" when the box returns; exits 0 on the close request, 1 when
// none came within ten seconds.
//
// box_until_term alone: shows the box with no window before it, as a fatal
// error at start-up does; prints "Box closed" when it returns and exits 0.

#include "platform/Clock.h"
#include "platform/MessageBox.h"
#include "platform/Window.h"

#include <cstdio>
#include <memory>
#include <string>

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "alone") {
        Platform::ShowMessageBox("Quit now?", "Zarquel question", Platform::MB_OK);
        std::puts("Box closed");
        return 0;
    }
    std::unique_ptr<Platform::Window> window = Platform::MakeSystemWindow();
    if (!window->Create({"Zarquel box window", 320, 200, Platform::WindowStyle::Framed, {}}))
        return 2;
    bool closed = false;
    window->SetProcedure([&closed](Platform::Window&, const Platform::MessageRecord& message) {
        closed = closed || message.message == Platform::WM_CLOSE;
    });
    Platform::ShowMessageBox("Quit now?", "Zarquel question", Platform::MB_YESNO);
    std::puts("Box closed");
    std::fflush(stdout);
    Platform::SystemClock clock;
    for (int i = 0; i < 500 && !closed; ++i) {
        window->PumpMessages();
        clock.Sleep(20);
    }
    return closed ? 0 : 1;
}
