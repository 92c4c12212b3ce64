// Zentrel, the single-store program: started from the store system's menu.
#include <string>
#include <vector>

#include "single/startup.h"
#include "ui/logic/launch_token.h"

int main(int argc, char** argv) {
    const int status = ztl::single::runZentrel(argc, argv);
    // A start without the launch token ends after its one message; whoever started the
    // program (a script, a shortcut) learns from the status that nothing was done.
    if (!ztl::ui::isLaunchCommandLine(std::vector<std::string>(argv + 1, argv + argc))) return 1;
    return status;
}
