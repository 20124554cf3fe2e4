// The program's entry point. The system it runs on hosts it: brings the desktop up,
// launches the program (its delegate made afresh at each launch) and runs until the
// session ends.

#include "app/shell/app_delegate.h"
#include "platform/system.h"

int main(int argc, char** argv) {
    return platform::System::run(argc, argv, {.makeDelegate = [] { return furlpane::AppDelegate::make(); }});
}
