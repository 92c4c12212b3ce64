#pragma once
// The programs' version, and the two ways the windows write it: the splash in plain
// numbers ("Version 5.1.1"), the main window's title with a two-digit minor and a four-digit
// revision ("5.01.0001").
#include <string>

#include "platform/version.h"

namespace ztl::ui {

struct ProgramVersion {
    int major = kVersionMajor;
    int minor = kVersionMinor;
    int revision = kVersionRevision;
};

inline constexpr ProgramVersion kProgramVersion{kVersionMajor, kVersionMinor, kVersionRevision};

std::string splashVersionText(ProgramVersion v = kProgramVersion);
std::string titleVersionText(ProgramVersion v = kProgramVersion);

}  // namespace ztl::ui
