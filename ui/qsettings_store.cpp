#include "ui/qsettings_store.h"

#include <QFile>
#include <QSettings>
#include <QString>

#include "platform/vb_error.h"

namespace ztl {
namespace {

// Values are single-byte text; Latin-1 keeps every byte as one character and back.
QString fromBytes(const std::string& s) {
    return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size()));
}
std::string toBytes(const QString& s) {
    QByteArray b = s.toLatin1();
    return std::string(b.constData(), static_cast<size_t>(b.size()));
}

QString fullKey(const std::string& section, const std::string& key) {
    return fromBytes(settingsKeyPath(section, key));
}

}  // namespace

std::string QSettingsStore::get(const std::string& app, const std::string& section, const std::string& key,
                                const std::string& def) const {
    QSettings s(QSettings::IniFormat, QSettings::UserScope, "ZTL", fromBytes(app));
    QVariant v = s.value(fullKey(section, key));
    return v.isValid() ? toBytes(v.toString()) : def;
}

void QSettingsStore::set(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& value) {
    QSettings s(QSettings::IniFormat, QSettings::UserScope, "ZTL", fromBytes(app));
    s.setValue(fullKey(section, key), fromBytes(value));
    s.sync();
    if (s.status() != QSettings::NoError) throw vbError(vb::kPermissionDenied, "ZTL settings");
    // The file holds the Web Connector's password hash: owner-only, however it was written.
    QFile::setPermissions(s.fileName(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

}  // namespace ztl
