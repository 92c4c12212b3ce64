// The RTF reader of the results and quick-reference windows: any bytes as an RTF file. The
// reader fills the document or refuses with a reason; it always ends, within its memory.
#include <QByteArray>
#include <QString>
#include <QTextDocument>
#include <cstddef>
#include <cstdint>

#include "ui/rtf_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QTextDocument doc;
    QString error;
    (void)ztl::rtf::readInto(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)),
                             doc, &error);
    return 0;
}
