#include "ui/rich_text_file.h"

#include <QByteArray>
#include <QString>
#include <fstream>
#include <string_view>
#include <system_error>

#include "platform/vb_error.h"
#include "ui/rtf_reader.h"
#include "ui/single_byte_text.h"

namespace fs = std::filesystem;

namespace ztl {
namespace {

constexpr std::string_view kSource = "Zentrel";

QByteArray readCapped(const fs::path& path) {
    std::error_code ec;
    if (!fs::is_regular_file(path, ec)) throw vbError(vb::kPathFileAccessError, std::string(kSource));
    std::ifstream in(path, std::ios::binary);
    if (!in) throw vbError(vb::kPathFileAccessError, std::string(kSource));
    QByteArray bytes;
    char chunk[64 * 1024];
    // Read to the end rather than trusting the size: a log may still be growing.
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
        if (static_cast<std::uintmax_t>(bytes.size()) + static_cast<std::uintmax_t>(in.gcount()) >
            kMaxRichTextFileBytes)
            throw vbError(7, std::string(kSource));
        bytes.append(chunk, static_cast<qsizetype>(in.gcount()));
    }
    if (in.bad()) throw vbError(vb::kPathFileAccessError, std::string(kSource));
    return bytes;
}

// Lines end in CR LF, LF or a lone CR; the document takes LF.
QString plainText(const QByteArray& bytes) {
    QString text = ui::fromSingleByte(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

}  // namespace

void loadRichTextFile(const fs::path& path, QTextDocument& doc) {
    QByteArray bytes = readCapped(path);
    if (!bytes.startsWith("{\\rtf")) {
        doc.setPlainText(plainText(bytes));
        return;
    }
    QString reason;
    if (!rtf::readInto(bytes, doc, &reason))
        throw VbError(kInvalidFileFormat, std::string(kSource),
                      "Invalid file format: " + reason.toStdString());
}

}  // namespace ztl
