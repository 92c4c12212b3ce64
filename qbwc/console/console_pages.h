#pragma once
// The console's pages, rendered on the server from mustache templates: every value is
// escaped as it is placed ({{ }}), so a store name, a setting or QuickBooks' message holding
// markup shows as text. Each page stands alone: no script, no font or style from elsewhere,
// one small stylesheet inline that reads on a 1366x768 screen and on a phone.
#include <string>

#include <nlohmann/json.hpp>

#include "qbwc/console/console_http.h"

namespace ztl::qbwc {

// `text`, a mustache template, filled from `model`: {{name}} escapes, {{{name}}} does not
// and is kept for markup the console rendered itself. Throws std::logic_error for a broken
// template.
std::string rendered(const char* text, const nlohmann::json& model);
// `content` inside the page every console page shares: the head, the stylesheet, and once
// signed in the navigation and the sign-out form (which carries `formToken`).
std::string inLayout(const std::string& title, const std::string& content, bool signedIn,
                     const std::string& formToken);

// 303 to `to`, one of the console's own addresses: after a form is taken, and to the landing page.
ConsoleReply redirectReply(const std::string& to);
ConsoleReply htmlReply(int status, std::string page);
ConsoleReply jsonReply(int status, const nlohmann::json& value);

// The sign-in page. `model`: "formToken", and optionally "message" (why the last try failed).
std::string signInPage(const nlohmann::json& model);

// The landing page, from console_status.h's model with "formToken" added.
std::string statusPage(const nlohmann::json& model);

// A page that says only `message`, under `title` (an unknown address, a refused path).
std::string messagePage(const std::string& title, const std::string& message, bool signedIn,
                        const std::string& formToken);

}  // namespace ztl::qbwc
