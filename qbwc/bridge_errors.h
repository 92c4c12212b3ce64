#pragma once
// The errors the bridge gives a program: the SDK's HRESULTs with the SDK's words, and after
// them the bridge's reason, so that the operator learns what to do about the Web Connector.
#include <string>

#include "platform/vb_error.h"

namespace ztl::qbwc {

// The source of every error the bridge raises.
inline constexpr const char* kBridgeSource = "QBWC";

// 0x80040401 "Could not access QuickBooks. " and why.
VbError couldNotAccess(const std::string& why);

// 0x80040401: the service has stopped (the program ends, or ztl qbwc service was stopped).
VbError serviceStopped();

// 0x8004040A: the request is meant for a company file other than the one QuickBooks has open.
VbError companyNotOpen();

// 0x80040408: the operator cancelled the wait for the Web Connector; nothing was handed out.
VbError waitCancelled();

// 0x80040401: a request handed out whose answer never came; QuickBooks may or may not have
// posted it.
VbError answerLost();

}  // namespace ztl::qbwc
