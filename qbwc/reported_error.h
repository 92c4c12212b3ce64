#pragma once
#include <string>

#include "platform/vb_error.h"

namespace ztl::qbwc {

// A COM error as the Web Connector reports it: hresult as hex text ("0x80040400"), or as a
// signed decimal; its message as the description. Text that is neither is E_FAIL.
VbError comErrorFrom(const std::string& hresult, const std::string& message);

}  // namespace ztl::qbwc
