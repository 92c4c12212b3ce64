#pragma once
// Hands a finished message to the machine's mail transfer agent through the sendmail
// interface every Debian MTA provides: the command (MailCommand, by default
// "/usr/sbin/sendmail -t -i") is run by /bin/sh and gets the whole message on its standard
// input; -t takes the recipients from the headers. Nothing is retried here: a message that
// could not be handed over is the caller's to report.
#include <optional>
#include <string>

namespace ztl {

inline constexpr const char* kDefaultMailCommand = "/usr/sbin/sendmail -t -i";

// Nothing when the command took the message and ended with status 0; else why not, in
// words for the operation log ("the mail command ... ended with status 75: <its stderr>").
std::optional<std::string> sendMail(const std::string& command, const std::string& message);

}  // namespace ztl
