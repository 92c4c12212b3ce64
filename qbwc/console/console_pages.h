#pragma once
// The console's pages, rendered on the server from mustache templates: every value is
// escaped as it is placed ({{ }}), so a store name, a setting or QuickBooks' message holding
// markup shows as text. Each page stands alone: no script, no font or style from elsewhere,
// one small stylesheet inline that reads on a 1366x768 screen and on a phone.
#include <string>

#include <nlohmann/json.hpp>

namespace ztl::qbwc {

// The sign-in page. `model`: "formToken", and optionally "message" (why the last try failed).
std::string signInPage(const nlohmann::json& model);

// The landing page, from console_status.h's model with "formToken" added.
std::string statusPage(const nlohmann::json& model);

// A page that says only `message`, under `title` (an unknown address, a refused path).
std::string messagePage(const std::string& title, const std::string& message, bool signedIn,
                        const std::string& formToken);

}  // namespace ztl::qbwc
