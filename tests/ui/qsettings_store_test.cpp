#include "ui/qsettings_store.h"

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

TEST_F(QSettingsStoreTest, SingleByteValuesComeBackByteForByte) {
    ztl::QSettingsStore store;
    std::string all;
    for (int b = 1; b < 256; ++b) all += static_cast<char>(b);
    store.set("ZTL", "Zentrel\\Settings", "TaxImportAccount", all);
    EXPECT_EQ(ztl::QSettingsStore().get("ZTL", "Zentrel\\Settings", "TaxImportAccount"), all);
}
