#include "platform/error_report.h"

#include <gtest/gtest.h>

#include "platform/prompter.h"
#include "platform/settings_store.h"

TEST(ErrorReport, LayoutOfTheModuleReport) {
    EXPECT_EQ(ztl::moduleErrorReport("Error in module clsZTL.Load390 ", ztl::vbError(53)),
              "Error in module clsZTL.Load390 \nError # 53  \nFile not found");
    EXPECT_EQ(ztl::moduleErrorReport("Error in form load event", 5, "Invalid procedure call or argument", "\r\nLine # 10",
                                     ztl::ErrorWord::Lower),
              "Error in form load event\nerror # 5  \nInvalid procedure call or argument\r\nLine # 10");
    EXPECT_EQ(ztl::vbError(457).description, "This key is already associated with an element of this collection");
    EXPECT_EQ(ztl::toVbError(std::runtime_error("boom")).description, "boom");
}

TEST(SettingsStore, MemoryStoreNestsOnBackslashesAndDefaultsWhenAbsent) {
    ztl::MemorySettingsStore s;
    EXPECT_EQ(s.get("ZTL", "ZentrelMS\\Settings\\Shop.qbw", "AR", "none"), "none");
    s.set("ZTL", "ZentrelMS\\Settings\\Shop.qbw", "AR", "Walk-in");
    EXPECT_EQ(s.get("ztl", "zentrelms\\settings\\\\shop.qbw\\", "ar"), "Walk-in");
    EXPECT_EQ(s.get("ZTL", "ZentrelMS\\Settings\\Other.qbw", "AR"), "");
}

TEST(Prompter, RecordingPrompterAnswersFromItsScriptThenTheFirstButton) {
    ztl::RecordingPrompter p;
    p.answers = {ztl::MsgResult::No};
    EXPECT_EQ(p.show({"a", ztl::MsgIcon::Question, ztl::MsgButtons::YesNo, ""}), ztl::MsgResult::No);
    EXPECT_EQ(p.show({"b", ztl::MsgIcon::Question, ztl::MsgButtons::YesNo, ""}), ztl::MsgResult::Yes);
    EXPECT_EQ(p.texts(), (std::vector<std::string>{"a", "b"}));
}
