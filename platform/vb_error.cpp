#include "vb_error.h"

#include <new>

namespace ztl {

const char* vbDescription(long number) {
    switch (number) {
        case 5:
            return "Invalid procedure call or argument";
        case 6:
            return "Overflow";
        case 7:
            return "Out of memory";
        case 9:
            return "Subscript out of range";
        case 11:
            return "Division by zero";
        case 13:
            return "Type mismatch";
        case 52:
            return "Bad file name or number";
        case 53:
            return "File not found";
        case 55:
            return "File already open";
        case 57:
            return "Device I/O error";
        case 58:
            return "File already exists";
        case 61:
            return "Disk full";
        case 62:
            return "Input past end of file";
        case 67:
            return "Too many files";
        case 68:
            return "Device unavailable";
        case 70:
            return "Permission denied";
        case 71:
            return "Disk not ready";
        case 75:
            return "Path/File access error";
        case 76:
            return "Path not found";
        case 91:
            return "Object variable or With block variable not set";
        case 457:
            return "This key is already associated with an element of this collection";
        case 32755:
            return "Cancel was selected.";
        default:
            return "Application-defined or object-defined error";
    }
}

VbError vbError(long number, std::string source) {
    return VbError(number, std::move(source), vbDescription(number));
}

VbError toVbError(const std::exception& e) {
    if (auto* v = dynamic_cast<const VbError*>(&e)) return *v;
    if (dynamic_cast<const std::bad_alloc*>(&e)) return vbError(7);
    return VbError(vb::kObjectErrorBase + 1, "Zentrel", e.what());
}

}  // namespace ztl
