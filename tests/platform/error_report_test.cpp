#include "platform/error_report.h"

#include <gtest/gtest.h>

#include "platform/prompter.h"
#include "platform/settings_store.h"

TEST(ErrorReport, LayoutOfTheModuleReport) {
    EXPECT_EQ(ztl::moduleErrorReport("Error in module clsZTL.Load390 ", ztl::vbError(53)),
              "Error in module clsZTL.Load390 \nError # 53  \nFile not found");
    EXPECT_EQ(ztl::moduleErrorReport("Error in form load event", 5, "Invalid procedure call or argument",
                                     "\r\nLine # 10", ztl::ErrorWord::Lower),
              "Error in form load event\nerror # 5  \nInvalid procedure call or argument\r\nLine # 10");
    EXPECT_EQ(ztl::vbError(457).description,
              "This key is already associated with an element of this collection");
    EXPECT_EQ(ztl::toVbError(std::runtime_error("boom")).description, "boom");
}

TEST(SettingsStore, MemoryStoreNestsOnBackslashesAndDefaultsWhenAbsent) {
    ztl::MemorySettingsStore s;
    EXPECT_EQ(s.get("ZTL", "ZentrelMS\\Settings\\Shop.qbw", "AR", "none"), "none");
    s.set("ZTL", "ZentrelMS\\Settings\\Shop.qbw", "AR", "Walk-in");
    EXPECT_EQ(s.get("ZTL", "ZentrelMS/Settings\\\\Shop.qbw\\", "AR"), "Walk-in");
    EXPECT_EQ(s.get("ZTL", "ZentrelMS\\Settings\\Other.qbw", "AR"), "");
    EXPECT_EQ(s.get("ztl", "zentrelms\\settings\\shop.qbw", "ar", "none"), "none")
        << "letter case tells settings apart, as in the settings files";
}

TEST(Prompter, RecordingPrompterAnswersFromItsScriptThenTheFirstButton) {
    ztl::RecordingPrompter p;
    p.answers = {ztl::MsgResult::No};
    EXPECT_EQ(p.show({"a", ztl::MsgIcon::Question, ztl::MsgButtons::YesNo, ""}), ztl::MsgResult::No);
    EXPECT_EQ(p.show({"b", ztl::MsgIcon::Question, ztl::MsgButtons::YesNo, ""}), ztl::MsgResult::Yes);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"a", "b"}));
}

#include "platform/windows1252.h"

TEST(Windows1252, EveryByteSurvivesTheTripThroughUnicode) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    EXPECT_EQ(ztl::utf8ToWindows1252(ztl::windows1252ToUtf8(all)), all);
    EXPECT_EQ(ztl::windows1252ToUtf8("Caf\xe9 \x80"), "Caf\xc3\xa9 \xe2\x82\xac");
    EXPECT_EQ(ztl::utf8ToWindows1252("\xe2\x80\x9cM\xc3\xbcller\xe2\x80\x9d \xe4\xb8\xad"),
              "\x93M\xfcller\x94 ?");
    EXPECT_EQ(ztl::utf8ToWindows1252("Caf\xe9"), "Caf\xe9") << "not UTF-8: already single-byte";
}
