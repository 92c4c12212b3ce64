#pragma once
// Which QuickBooks the programs talk to, from the environment variable ZENTREL_QUICKBOOKS:
//   qbwc:<HOST:PORT>    a real QuickBooks Desktop through the Web Connector, whose service
//                       is served on that address (settings: qbwc/bridge_settings.h);
//   sim:<company file>  QuickBooks is running with this simulated company open;
//   unset or empty      QuickBooks is not running (a session must name a company file).
// The one place that knows every backend; the programs get their factory here.
#include <memory>

#include "platform/request_processor.h"
#include "platform/settings_store.h"

namespace ztl {

// `settings` is read at once and not kept.
std::unique_ptr<RequestProcessorFactory> processorFactoryFromEnvironment(const SettingsStore& settings);

}  // namespace ztl
