#include "ui/single_byte_text.h"

#include "platform/windows1252.h"

namespace ztl::ui {

QString fromSingleByte(std::string_view bytes) {
    return QString::fromStdString(windows1252ToUtf8(bytes));
}

std::string toSingleByte(const QString& text) {
    return utf8ToWindows1252(text.toStdString());
}

}  // namespace ztl::ui
