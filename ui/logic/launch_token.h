#pragma once
// The launch rule both programs share. The store system's menu starts a program with one
// argument, the launch token; any other start is refused with one message and opens no
// window.
#include <string>
#include <vector>

namespace ztl::ui {

inline constexpr const char* kLaunchToken = "KTV3094R";

// The command line after the program's name, exactly as it was given: one argument holding
// exactly the token, nothing trimmed, no other letter case, nothing else.
bool isLaunchCommandLine(const std::vector<std::string>& arguments);

// The refusal: " This application can only be started " LF "     from the Korvane main menu.    ".
std::string launchRefusalText();

}  // namespace ztl::ui
