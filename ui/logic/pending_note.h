#pragma once
// The store's days that an unattended run kept and has not posted yet, said on the main
// window's check line: an operator importing today's file by hand should know that earlier
// days wait, and that the night's run posts them.
#include <string>

namespace ztl::ui {

// Adds "Kept pending by the unattended run: 2025-04-01 and 2025-04-02 (ztl post posts them
// at its next run, the oldest first)." as a sentence of its own; nothing when nothing is
// pending.
void addPendingDaysNote(std::string& countLine, const std::string& sourcePath);

}  // namespace ztl::ui
