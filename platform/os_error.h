#pragma once
// Operating-system failures as the Visual Basic errors the operator knows: one table for
// every file the system reads or writes.
#include <string>

#include "platform/vb_error.h"

namespace ztl {

// Visual Basic's file error number for an errno value. A file that may grow no further
// (no space, quota, the process's file size limit) is 61 "Disk full"; an error without a
// closer match is 57 "Device I/O error".
long vbNumberOfErrno(int err);

VbError vbErrorOfErrno(int err, std::string source = "Zentrel");

}  // namespace ztl
