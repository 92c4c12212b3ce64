#include "platform/os_error.h"

#include <cerrno>

namespace ztl {

long vbNumberOfErrno(int err) {
    switch (err) {
        case ENOENT:
            return vb::kFileNotFound;
        case ENOTDIR:
            return vb::kPathNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            return vb::kPermissionDenied;
        case EISDIR:
            return vb::kPathFileAccessError;
        case EMFILE:
        case ENFILE:
            return 67;  // Too many files
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return vb::kDiskFull;
        case EBADF:
        case ENAMETOOLONG:
            return vb::kBadFileNameOrNumber;
        default:
            return vb::kDeviceIOError;
    }
}

VbError vbErrorOfErrno(int err, std::string source) {
    return vbError(vbNumberOfErrno(err), std::move(source));
}

}  // namespace ztl
