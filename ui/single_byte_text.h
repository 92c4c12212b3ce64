#pragma once
// Text from the store system, the logs and the engine is single-byte Windows-1252; Qt shows
// Unicode. Every string crosses here, so a byte above 127 shows as the character the store
// system meant and goes back as the same byte.
#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

namespace ztl::ui {

QString fromSingleByte(std::string_view bytes);
std::string toSingleByte(const QString& text);

}  // namespace ztl::ui
