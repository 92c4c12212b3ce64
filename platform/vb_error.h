#pragma once
// The one exception type of the platform, the import engine and the store data engine.
// Numbers are Visual Basic's own (so every message reads as the operator expects), the
// object-error base plus a small number for errors the system raises itself, or a
// request processor HRESULT as a signed 32-bit value.
#include <stdexcept>
#include <string>

namespace ztl {

struct VbError : std::runtime_error {
    long number;
    std::string source;
    std::string description;

    VbError(long n, std::string src, std::string desc)
        : std::runtime_error(desc), number(n), source(std::move(src)), description(std::move(desc)) {}
};

namespace vb {
inline constexpr long kInvalidProcedureCall = 5;
inline constexpr long kOverflow = 6;
inline constexpr long kSubscriptOutOfRange = 9;
inline constexpr long kTypeMismatch = 13;
inline constexpr long kBadFileNameOrNumber = 52;
inline constexpr long kFileNotFound = 53;
inline constexpr long kDeviceIOError = 57;
inline constexpr long kFileAlreadyExists = 58;
inline constexpr long kDiskFull = 61;
inline constexpr long kInputPastEndOfFile = 62;
inline constexpr long kPermissionDenied = 70;
inline constexpr long kPathFileAccessError = 75;
inline constexpr long kPathNotFound = 76;
inline constexpr long kObjectNotSet = 91;
inline constexpr long kDuplicateKey = 457;
inline constexpr long kDialogCancelled = 32755;
// vbObjectError: errors the system raises itself are this base plus a small number.
inline constexpr long kObjectErrorBase = -2147221504;  // 0x80040000 as signed 32-bit
}  // namespace vb

// Visual Basic's own description of one of its error numbers; "Application-defined or
// object-defined error" for any other.
const char* vbDescription(long number);

// A VbError with the given VB number, its standard description and the given source.
VbError vbError(long number, std::string source = "Zentrel");

// Maps any exception escaping to an error trap onto a VbError: VbErrors as they are,
// std::bad_alloc as "Out of memory" (7), anything else as "Application-defined" with its text.
VbError toVbError(const std::exception& e);

}  // namespace ztl
