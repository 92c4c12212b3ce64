#include "ui/logic/source_file_check.h"

#include <filesystem>

#include "platform/paths.h"
#include "platform/vb_error.h"

namespace fs = std::filesystem;

namespace ztl::ui {

void checkSourceFile(const std::string& path) {
    if (path.empty()) throw vbError(vb::kBadFileNameOrNumber);
    fs::path local = paths::map(path);
    std::error_code ec;
    if (fs::exists(local, ec)) return;
    if (paths::isNetworkPath(path)) {
        // \\SERVER\SHARE\...: the share's root must answer before a missing file means missing.
        fs::path root = paths::sharesRoot();
        fs::path relative = local.lexically_relative(root);
        auto it = relative.begin();
        if (it != relative.end()) {
            fs::path share = root / *it;
            if (++it != relative.end()) share /= *it;
            if (!fs::is_directory(share, ec)) throw vbError(vb::kBadFileNameOrNumber);
        }
    }
    throw vbError(vb::kFileNotFound);
}

}  // namespace ztl::ui
