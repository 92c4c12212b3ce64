#pragma once
// One request in a session of its own on the program's request processor: begin, process,
// end, and the session ended also when the request failed. The requests the system adds
// beside the import's own go this way; the connection stays open whatever happens.
#include <string>

#include "platform/request_processor.h"

namespace ztl {

// Sends the single-byte request as UTF-8 and returns QuickBooks' answer; throws VbError.
std::string askInOneSession(RequestProcessor& processor, const std::string& companyFile,
                            const std::string& request);

}  // namespace ztl
