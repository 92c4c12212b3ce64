#pragma once
// A message the mail command could not take is not lost with its reasons and next steps: it
// is written whole, as the mail command would have got it, into the folder "unsent-mail" of
// the state folder (beside the operation log), one file per message, named by the moment
// and the store: "unsent-mail/2026-12-08 21-30-05 Store 12.eml". A mail program opens it;
// `sendmail -t -i < FILE` sends it once the mail system works again.
#include <filesystem>
#include <string>

#include "platform/clock.h"

namespace ztl {

inline constexpr const char* kUnsentMailFolderName = "unsent-mail";

// Writes the message to a new file under `stateFolder` and returns its path. Characters a
// file name cannot hold in the store's name become "_". Throws VbError when it cannot be
// written.
std::filesystem::path keepUnsentMail(const std::filesystem::path& stateFolder, const std::string& store,
                                     const LocalDateTime& now, const std::string& message);

}  // namespace ztl
