#pragma once
// The stores whose nightly run is switched on: each enabled timer is a link
// "zentrel-post@<totals file, escaped as systemd-escape --path does>.timer" in the user's
// timers.target.wants folder, and its instance is the totals file the run is given.
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ztl::qbwc {

// $XDG_CONFIG_HOME/systemd/user/timers.target.wants (~/.config when unset).
std::filesystem::path enabledTimersFolder();

// The totals files of the enabled timers in `wantsFolder`, sorted; none when it is missing.
std::vector<std::string> timerTotalsFiles(const std::filesystem::path& wantsFolder);

// The path an instance name stands for, as systemd-escape --path --unescape gives it:
// "-" is "/", "\xNN" the byte NN, and the whole is below "/". None for a name that is no
// escaped path (a bad escape, a NUL, an empty, "." or ".." component).
std::optional<std::string> unescapedPath(std::string_view instance);

}  // namespace ztl::qbwc
