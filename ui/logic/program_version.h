#pragma once
// The programs' version, and the two ways the windows write it: the splash in plain
// numbers ("Version 5.1.1"), the main window's title with a two-digit minor and a four-digit
// revision ("5.01.0001").
#include <QString>

namespace ztl::ui {

struct ProgramVersion {
    int major = 5;
    int minor = 1;
    int revision = 1;
};

inline constexpr ProgramVersion kProgramVersion{5, 1, 1};

inline QString splashVersionText(ProgramVersion v = kProgramVersion) {
    return QStringLiteral("Version %1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision);
}

inline QString titleVersionText(ProgramVersion v = kProgramVersion) {
    return QStringLiteral("%1.%2.%3")
        .arg(v.major)
        .arg(v.minor, 2, 10, QChar('0'))
        .arg(v.revision, 4, 10, QChar('0'));
}

}  // namespace ztl::ui
