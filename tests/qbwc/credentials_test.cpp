// The bridge's settings: the password hash, the listening address, the .qwc file.
#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "qbwc/bridge_settings.h"
#include "qbwc/listen_address.h"
#include "qbwc/password_hash.h"
#include "qbwc/qwc_file.h"

using namespace ztl;
using namespace ztl::qbwc;

TEST(PasswordHash, OnlyThePasswordItWasMadeFromMatches) {
    std::string stored = hashPassword("open sesame", 1000);
    EXPECT_TRUE(stored.starts_with("pbkdf2-sha256$1000$"));
    EXPECT_EQ(stored.find("open sesame"), std::string::npos);
    EXPECT_NE(stored, hashPassword("open sesame", 1000)) << "salted: the same password hashes differently";
    EXPECT_TRUE(verifyPassword("open sesame", stored));
    for (const char* wrong : {"", "open sesam", "open sesame ", "Open sesame"})
        EXPECT_FALSE(verifyPassword(wrong, stored)) << wrong;

    // Damaged or foreign stored texts match nothing, not even the empty password.
    std::string key = stored.substr(stored.rfind('$') + 1);
    std::string salt = stored.substr(19, 32);
    for (const std::string& damaged :
         {std::string(), std::string("open sesame"), "md5$1000$" + salt + "$" + key,
          "pbkdf2-sha256$0$" + salt + "$" + key, "pbkdf2-sha256$99999999$" + salt + "$" + key,
          "pbkdf2-sha256$1000$$" + key, "pbkdf2-sha256$1000$" + salt + "$" + key.substr(2),
          "pbkdf2-sha256$1000$" + salt + "$zz" + key.substr(2),
          "pbkdf2-sha256$1000$" + salt + "$" + key + "$"}) {
        EXPECT_FALSE(verifyPassword("open sesame", damaged)) << damaged;
        EXPECT_FALSE(verifyPassword("", damaged)) << damaged;
    }
}

TEST(ListenAddress, HostAndPortOrWhyNot) {
    struct Case {
        const char* text;
        const char* host;  // nullptr: refused
        int port;
    };
    for (const Case& c :
         {Case{"127.0.0.1:8080", "127.0.0.1", 8080}, Case{"localhost:0", "localhost", 0},
          Case{"[::1]:443", "::1", 443}, Case{"0.0.0.0:65535", "0.0.0.0", 65535},
          Case{"127.0.0.1", nullptr, 0}, Case{":80", nullptr, 0}, Case{"::1:80", nullptr, 0},
          Case{"host:65536", nullptr, 0}, Case{"host:-1", nullptr, 0}, Case{"host:8o", nullptr, 0},
          Case{"host:", nullptr, 0}, Case{"[]:80", nullptr, 0}}) {
        std::string why;
        auto a = parseListenAddress(c.text, why);
        if (!c.host) {
            EXPECT_FALSE(a) << c.text;
            EXPECT_NE(why.find(c.text), std::string::npos) << c.text;
            continue;
        }
        ASSERT_TRUE(a) << c.text << ": " << why;
        EXPECT_EQ(a->host, c.host);
        EXPECT_EQ(a->port, c.port);
    }
    for (const char* h : {"localhost", "127.0.0.1", "127.255.0.9", "::1"})
        EXPECT_TRUE(isLoopbackHost(h)) << h;
    for (const char* h : {"0.0.0.0", "10.0.0.1", "128.0.0.1", "::", "shop.example.com", "localhost.evil.net"})
        EXPECT_FALSE(isLoopbackHost(h)) << h;
}

TEST(QwcFile, TheWebConnectorsRulesForAppUrlAndTheFilesContent) {
    for (const char* good : {"https://shop.example.com/qbwc", "https://shop.example.com:8443/qbwc",
                             "http://localhost:8080/qbwc", "HTTPS://Shop.Example.com/"})
        EXPECT_FALSE(appUrlRefusal(good)) << good;
    for (const char* bad :
         {"http://shop.example.com/qbwc", "https://192.168.1.10/qbwc", "https://[::1]:8443/",
          "http://127.0.0.1:8080/qbwc", "ftp://shop.example.com/", "shop.example.com/qbwc", "https:///qbwc"})
        EXPECT_TRUE(appUrlRefusal(bad)) << bad;
    // The https address suggested for a plain-http one is never on the plain-http port.
    for (const char* httpUrl : {"http://shop.example.com:8080/qbwc", "http://shop.example.com:8443/qbwc"}) {
        const std::string why = appUrlRefusal(httpUrl).value_or("");
        const std::string port = std::string(httpUrl).substr(std::string(httpUrl).rfind(':'), 5);
        EXPECT_NE(why.find("https://shop.example.com:"), std::string::npos) << why;
        EXPECT_EQ(why.find("https://shop.example.com" + port), std::string::npos) << why;
    }

    QwcFields f;
    f.appUrl = "https://shop.example.com:8443/qbwc?a=1&b=2";
    f.userName = "clerk <1>";
    f.ownerId = "{57F3B9B1-86F1-4FCC-B1EE-566DE1813D20}";
    f.fileId = "{90A44FB5-33D9-4815-AC85-BC87A7E7D1EB}";
    std::string text = qwcFileText(f);
    EXPECT_NE(text.find("\r\n"), std::string::npos);
    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_string(text.c_str()));
    pugi::xml_node root = doc.child("QBWCXML");
    EXPECT_STREQ(root.child_value("AppURL"), f.appUrl.c_str());
    EXPECT_STREQ(root.child_value("AppSupport"), f.appUrl.c_str())
        << "same host, and the service answers GET";
    EXPECT_STREQ(root.child_value("UserName"), "clerk <1>");
    EXPECT_STREQ(root.child_value("OwnerID"), f.ownerId.c_str());
    EXPECT_STREQ(root.child_value("FileID"), f.fileId.c_str());
    EXPECT_STREQ(root.child_value("QBType"), "QBFS");
    EXPECT_STREQ(root.child_value("AppName"), "Korvane Zentrel");
    EXPECT_TRUE(root.child("AppID"));
    EXPECT_STREQ(root.child("Scheduler").child_value("RunEveryNSeconds"), "10");
    EXPECT_FALSE(root.child("UnattendedModePref")) << "an operator starts QuickBooks";
    f.unattended = true;
    ASSERT_TRUE(doc.load_string(qwcFileText(f).c_str()));
    EXPECT_STREQ(doc.child("QBWCXML").child_value("UnattendedModePref"), "umpRequired");
}

TEST(BridgeSettingsStore, DefaultsAndGuidsKeptOnceMade) {
    MemorySettingsStore store;
    BridgeSettings empty = readBridgeSettings(store);
    EXPECT_EQ(empty.userName, "");
    EXPECT_EQ(empty.timeout, std::chrono::seconds(120));
    for (const char* bad : {"", "0", "-5", "86401", "12s", "1e3"}) {
        store.set(kSettingsApp, kBridgeSection, key::kTimeoutSeconds, bad);
        EXPECT_EQ(readBridgeSettings(store).timeout, std::chrono::seconds(120)) << bad;
    }
    store.set(kSettingsApp, kBridgeSection, key::kTimeoutSeconds, "45");
    store.set(kSettingsApp, kBridgeSection, key::kUserName, "clerk");
    store.set(kSettingsApp, kBridgeSection, key::kCertificate, "/etc/zentrel/cert.pem");
    BridgeSettings s = readBridgeSettings(store);
    EXPECT_EQ(s.timeout, std::chrono::seconds(45));
    EXPECT_EQ(s.userName, "clerk");
    EXPECT_EQ(s.certificateFile, "/etc/zentrel/cert.pem");

    std::string owner = keptGuid(store, key::kOwnerId);
    EXPECT_EQ(keptGuid(store, key::kOwnerId), owner);
    EXPECT_NE(keptGuid(store, key::kFileId), owner);
}
