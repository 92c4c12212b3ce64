#pragma once
// Which QuickBooks the programs talk to, from the environment variable ZENTREL_QUICKBOOKS:
//   qbwc:<HOST:PORT>    a real QuickBooks Desktop through the Web Connector: handed to
//                       ztl qbwc service when it runs for that address (its local socket
//                       under $XDG_RUNTIME_DIR), else served by the program itself on that
//                       address (settings: qbwc/bridge_settings.h);
//   sim:<company file>  QuickBooks is running with this simulated company open;
//   unset or empty      QuickBooks is not running (a session must name a company file).
// The one place that knows every backend; the programs get their factory here.
#include <memory>

#include "platform/quickbooks_wait.h"
#include "platform/request_processor.h"
#include "platform/settings_store.h"

namespace ztl {

// `settings` is read at once and not kept. `wait` (kept, not owned; may be null) is called
// while a call waits for the Web Connector, to keep a window alive and offer Cancel.
std::unique_ptr<RequestProcessorFactory> processorFactoryFromEnvironment(const SettingsStore& settings,
                                                                         QuickBooksWait* wait = nullptr);

}  // namespace ztl
