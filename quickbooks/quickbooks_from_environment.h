#pragma once
// Which QuickBooks the programs talk to, from the environment variable ZENTREL_QUICKBOOKS,
// else the setting QuickBooks (qbwc/bridge_settings.h), which takes the same values:
//   qbwc:<HOST:PORT>    a real QuickBooks Desktop through the Web Connector: handed to
//                       ztl qbwc service when it runs for that address (its local socket
//                       under $XDG_RUNTIME_DIR), else served by the program itself on that
//                       address (settings: qbwc/bridge_settings.h);
//   sim:<company file>  QuickBooks is running with this simulated company open;
//   both unset          the Web Connector service this user runs, when exactly one runs;
//                       else QuickBooks is not running (a session must name a company file).
// localhost, 127.0.0.1 and ::1 of one port are one bridge; a service on every address
// (0.0.0.0 or ::) of that port serves it too.
// The one place that knows every backend; the programs get their factory here.
#include <memory>
#include <string>

#include "platform/quickbooks_wait.h"
#include "platform/request_processor.h"
#include "platform/settings_store.h"

namespace ztl {

// The value in force and, in `source`, where it comes from ("ZENTREL_QUICKBOOKS" or
// "the setting QuickBooks"); empty when neither is set.
std::string quickBooksSetting(const SettingsStore& settings, std::string* source = nullptr);

// `settings` is read at once and not kept. `wait` (kept, not owned; may be null) is called
// while a call waits for the Web Connector, to keep a window alive and offer Cancel.
std::unique_ptr<RequestProcessorFactory> processorFactoryFromEnvironment(const SettingsStore& settings,
                                                                         QuickBooksWait* wait = nullptr);

}  // namespace ztl
