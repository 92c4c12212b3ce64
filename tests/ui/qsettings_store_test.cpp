#include "ui/qsettings_store.h"

#include "platform/vb_error.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <QSettings>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

class QSettingsStoreTest : public ::testing::Test {
  protected:
    fs::path dir = fs::temp_directory_path() / ("ztl_qsettings_" + std::to_string(::getpid()));
    void SetUp() override {
        fs::remove_all(dir);
        fs::create_directories(dir);
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, QString::fromStdString(dir.string()));
    }
    void TearDown() override { fs::remove_all(dir); }
};

TEST_F(QSettingsStoreTest, EachCompanyFileHasItsOwnNestedSection) {
    ztl::QSettingsStore store;
    store.set("ZTL", "ZentrelMS\\Settings\\/home/op/Shop.qbw", "ARImportAccount", "Walk-in Customer");
    store.set("ZTL", "ZentrelMS\\Settings\\/home/op/Other.qbw", "ARImportAccount", "House Account");
    store.set("ZTL", "Zentrel\\Settings", "Import Source", "\\\\STORESRV\\CATCON\\X390.QB");

    ztl::QSettingsStore again;  // a later program run
    EXPECT_EQ(again.get("ZTL", "ZentrelMS\\Settings\\/home/op/Shop.qbw", "ARImportAccount"),
              "Walk-in Customer");
    EXPECT_EQ(again.get("ZTL", "ZentrelMS\\Settings\\/home/op/Other.qbw", "ARImportAccount"),
              "House Account");
    EXPECT_EQ(again.get("ZTL", "ZentrelMS\\Settings\\/home/op/New.qbw", "ARImportAccount", "none"), "none");
    EXPECT_EQ(again.get("ZTL", "Zentrel\\Settings", "Import Source"), "\\\\STORESRV\\CATCON\\X390.QB")
        << "a backslash inside a value stays a backslash";
    EXPECT_EQ(again.get("ZTL", "", "ARImportAccount"), "") << "the empty section finds nothing";

    // The company path nests as folders do.
    QSettings raw(QSettings::IniFormat, QSettings::UserScope, "ZTL", "ZTL");
    EXPECT_EQ(raw.value("ZentrelMS/Settings/home/op/Shop.qbw/ARImportAccount").toString().toStdString(),
              "Walk-in Customer");
    EXPECT_EQ(ztl::settingsGroup("ZentrelMS\\Settings\\/home//op/Shop.qbw\\"),
              "ZentrelMS/Settings/home/op/Shop.qbw");
}

// The memory store that the engine's tests use must find a value exactly where the settings
// files do, or a test passes on an address the programs never read.
TEST_F(QSettingsStoreTest, TheMemoryStoreAddressesValuesAsTheSettingsFilesDo) {
    const struct {
        const char* app;
        const char* section;
        const char* key;
    } writes[] = {
        {"ZTL", "ZentrelMS\\Settings\\/home/op/Shop.qbw", "ARImportAccount"},
        {"ZTL", "Zentrel\\Settings", "Company"},
        {"ZTL", "", "TopLevel"},
    };
    const struct {
        const char* app;
        const char* section;
        const char* key;
    } reads[] = {
        {"ZTL", "ZentrelMS\\Settings\\/home/op/Shop.qbw", "ARImportAccount"},
        {"ZTL", "ZentrelMS/Settings/home/op/Shop.qbw", "ARImportAccount"},          // '/' nests like '\\'
        {"ZTL", "ZentrelMS\\Settings\\\\home\\op\\Shop.qbw\\", "ARImportAccount"},  // empty levels
        {"ZTL", "ZentrelMS\\Settings", "home/op/Shop.qbw/ARImportAccount"},         // a key may nest too
        {"ZTL", "zentrelms\\settings\\/home/op/shop.qbw", "ARImportAccount"},       // case of a section
        {"ZTL", "ZentrelMS\\Settings\\/home/op/Shop.qbw", "arimportaccount"},       // case of a key
        {"ztl", "Zentrel\\Settings", "Company"},                                    // case of the app
        {"ZTL", "Zentrel\\Settings", "Company"},
        {"ZTL", "Zentrel", "Settings\\Company"},  // a backslash in a key does not nest
        {"ZTL", "/", "TopLevel"},
    };
    ztl::QSettingsStore files;
    ztl::MemorySettingsStore memory;
    int n = 0;
    for (const auto& w : writes) {
        files.set(w.app, w.section, w.key, "value " + std::to_string(++n));
        memory.set(w.app, w.section, w.key, "value " + std::to_string(n));
    }
    for (const auto& r : reads)
        EXPECT_EQ(memory.get(r.app, r.section, r.key, "absent"), files.get(r.app, r.section, r.key, "absent"))
            << r.app << " | " << r.section << " | " << r.key;
}

TEST_F(QSettingsStoreTest, ASettingThatCannotBeStoredIsPermissionDenied) {
    // The settings folder on a device that takes nothing.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, "/dev/full");
    ztl::QSettingsStore store;
    try {
        store.set("ZTL", "Zentrel\\Settings", "Company", "/home/op/Shop.qbw");
        FAIL() << "the failed write must be reported";
    } catch (const ztl::VbError& e) {
        EXPECT_EQ(e.number, ztl::vb::kPermissionDenied);
    }
}

TEST_F(QSettingsStoreTest, SingleByteValuesComeBackByteForByte) {
    ztl::QSettingsStore store;
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    store.set("ZTL", "Zentrel\\Settings", "TaxImportAccount", all);
    EXPECT_EQ(ztl::QSettingsStore().get("ZTL", "Zentrel\\Settings", "TaxImportAccount"), all);
}
