#include "engine/unattended/unsent_mail.h"

#include <cstdio>

#include "platform/text_file.h"
#include "platform/vb_error.h"

namespace fs = std::filesystem;

namespace ztl {

fs::path keepUnsentMail(const fs::path& stateFolder, const std::string& store, const LocalDateTime& now,
                        const std::string& message) {
    const fs::path folder = stateFolder / kUnsentMailFolderName;
    fs::create_directories(folder);
    std::string name = store;
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7f || c == '/' || c == '\\' || c == ':') c = '_';
    }
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d-%02d-%02d", now.year, now.month, now.day, now.hour,
                  now.minute, now.second);
    for (int n = 1; n < 100; ++n) {
        const fs::path file = folder / (std::string(stamp) + (n == 1 ? "" : " (" + std::to_string(n) + ")") + " " +
                                        name + ".eml");
        try {
            TextWriter out(file, TextWriter::Mode::CreateNew);
            out.write(message);
            out.sync();
            out.close();
            return file;
        } catch (const VbError& e) {
            if (e.number != vb::kFileAlreadyExists) throw;
        }
    }
    throw VbError(vb::kPathFileAccessError, "Zentrel", "no free name for the message in " + folder.string());
}

}  // namespace ztl
