#include "ui/logic/launch_token.h"

namespace ztl::ui {

bool isLaunchCommandLine(const std::vector<std::string>& arguments) {
    return arguments.size() == 1 && arguments[0] == kLaunchToken;
}

std::string launchRefusalText() {
    return " This application can only be started \n     from the Korvane main menu.    ";
}

}  // namespace ztl::ui
