#pragma once
// How worrying the Web Connector's silence is. It calls every few seconds while it runs on
// the bookkeeper's PC; a silence of hours means that PC, the Web Connector or its schedule
// is off, and the nights' totals wait for it.
#include <chrono>
#include <optional>
#include <string>

namespace ztl::qbwc {

struct SilenceWarning {
    int hours = 0;  // the threshold passed: 12, 24 or 48
    std::string text;
};

// The warning for a silence of `silent`; nothing under 12 hours. `everCalled` false: the
// silence runs since the service started, and the Web Connector has not called at all.
std::optional<SilenceWarning> silenceWarning(std::chrono::seconds silent, bool everCalled);

}  // namespace ztl::qbwc
