// ZentrelMS, the multi-store program: started from the store system's menu.
#include <string>
#include <vector>

#include "ui/logic/launch_token.h"
#include "ui/ms_startup.h"

int main(int argc, char** argv) {
    const int status = ztl::ui::runZentrelMS(argc, argv);
    // A start without the launch token ends after its one message; whoever started the
    // program (a script, a shortcut) learns from the status that nothing was done.
    if (!ztl::ui::isLaunchCommandLine(std::vector<std::string>(argv + 1, argv + argc))) return 1;
    return status;
}
