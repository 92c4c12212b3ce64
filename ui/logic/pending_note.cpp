#include "ui/logic/pending_note.h"

#include <filesystem>

#include "engine/unattended/pending_days.h"
#include "platform/paths.h"

namespace ztl::ui {

void addPendingDaysNote(std::string& countLine, const std::string& sourcePath) {
    std::vector<PendingDay> days;
    try {
        days = pendingDaysOf(std::filesystem::absolute(paths::map(sourcePath)));
    } catch (const std::exception&) {
        return;  // a folder that cannot be listed holds nothing this window can name
    }
    if (days.empty()) return;
    std::string dates;
    for (std::size_t i = 0; i < days.size(); ++i)
        dates += (i == 0 ? "" : i + 1 == days.size() ? " and " : ", ") + days[i].date;
    const bool one = days.size() == 1;
    if (!countLine.empty()) countLine += countLine.ends_with('.') ? " " : ". ";
    countLine += "Kept pending by the unattended run: " + dates + " (ztl post posts " + (one ? "it" : "them") +
                 " at its next run" + (one ? "" : ", the oldest first") + ").";
}

}  // namespace ztl::ui
