#include "ui/logic/program_version.h"

#include <cstdio>

namespace ztl::ui {

std::string splashVersionText(ProgramVersion v) {
    return "Version " + std::to_string(v.major) + "." + std::to_string(v.minor) + "." +
           std::to_string(v.revision);
}

std::string titleVersionText(ProgramVersion v) {
    char text[64];
    std::snprintf(text, sizeof text, "%d.%02d.%04d", v.major, v.minor, v.revision);
    return text;
}

}  // namespace ztl::ui
