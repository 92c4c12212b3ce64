#pragma once
// The number of the VbError a call throws, or 0 when it throws none: for tables of calls
// and the error each must raise.
#include <utility>

#include "platform/vb_error.h"

namespace ztl::testsupport {

template <class F>
long vbErrorNumber(F&& f) {
    try {
        std::forward<F>(f)();
    } catch (const VbError& e) {
        return e.number;
    }
    return 0;
}

}  // namespace ztl::testsupport
