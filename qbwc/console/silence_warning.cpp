#include "qbwc/console/silence_warning.h"

namespace ztl::qbwc {

std::optional<SilenceWarning> silenceWarning(std::chrono::seconds silent, bool everCalled) {
    using std::chrono::hours;
    int threshold = silent >= hours(48) ? 48 : silent >= hours(24) ? 24 : silent >= hours(12) ? 12 : 0;
    if (threshold == 0) return std::nullopt;
    const std::string span = std::to_string(threshold) + " hours";
    std::string text = everCalled ? "The Web Connector has not called for more than " + span + ". "
                                  : "The Web Connector has not called since the service started, more than " +
                                        span + " ago. ";
    if (threshold >= 24)
        text +=
            "The store's nights since then have not reached QuickBooks; they wait and are posted when it "
            "calls again. ";
    text +=
        "On the bookkeeper's PC: start QuickBooks and the Web Connector, check that the Zentrel line's "
        "Auto-Run box is ticked, then press Update Selected.";
    return SilenceWarning{threshold, std::move(text)};
}

}  // namespace ztl::qbwc
