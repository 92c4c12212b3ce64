// A planned entry carries its request and the entry that request stands for. The duplicate
// guard and the check trust the entry without reading the request; here the request is read
// as QuickBooks reads it, so that the two can never say different things.
#include "engine/posting/planned_entry.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include "platform/windows1252.h"
#include "qbxml/journal_entry_answer.h"

using namespace ztl;

namespace {

DayBlock block(const std::string& ref, std::vector<std::pair<std::string, std::string>> lines,
               std::optional<CalendarDate> date = CalendarDate{2026, 12, 5}) {
    DayBlock b;
    b.referenceNumber = ref;
    b.dateText = " 12/05/26";
    b.date = date;
    if (!date) b.dateError = vbError(vb::kTypeMismatch);
    for (auto& [code, amount] : lines) b.lines.push_back({code, Decimal::parseLeading(amount)});
    return b;
}

// The entry as QuickBooks reads the request text.
StoreTransaction readBack(const std::string& request) {
    const std::string utf8 = windows1252ToUtf8(request);
    pugi::xml_document doc;
    EXPECT_TRUE(doc.load_buffer(utf8.data(), utf8.size()));
    pugi::xml_node add = doc.child("QBXML").child("QBXMLMsgsRq").child("JournalEntryAddRq").child("JournalEntryAdd");
    StoreTransaction t{add.child("RefNumber").text().get(), add.child("TxnDate").text().get(), {}};
    readJournalLines(add, t.lines);
    return t;
}

void expectSameEntry(const StoreTransaction& planned, const StoreTransaction& read) {
    EXPECT_EQ(planned.refNumber, read.refNumber);
    EXPECT_EQ(planned.txnDate, read.txnDate);
    ASSERT_EQ(planned.lines.size(), read.lines.size());
    for (size_t i = 0; i < read.lines.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(planned.lines[i].debit, read.lines[i].debit);
        EXPECT_EQ(planned.lines[i].account, read.lines[i].account);
        EXPECT_EQ(planned.lines[i].amountText, read.lines[i].amountText);
        EXPECT_EQ(planned.lines[i].cents, read.lines[i].cents);
        EXPECT_EQ(planned.lines[i].memo, read.lines[i].memo);
        EXPECT_EQ(planned.lines[i].entity, read.lines[i].entity);
    }
}

TEST(PlannedEntry, TheEntryIsWhatItsRequestSays) {
    // Names with markup and with the store system's single-byte accents; a zero line after the
    // first; an amount that rounds; a code with a comma.
    std::vector<std::string> asked;
    auto names = [&](const std::string& code) {
        asked.push_back(code);
        if (code == "1200") return std::string("Caf\xe9 & <Sons>");
        if (code == "2100") return std::string("State Tax Agency");
        return std::string();
    };
    const PlannedEntry plan = planEntry(
        block("A&B<1>", {{"4000", "-1000.005"}, {"1200", "1081.25"}, {"2100", "-81.25"}, {"12,3", "0"}}), names);
    ASSERT_TRUE(plan.sendable());
    EXPECT_EQ(asked, (std::vector<std::string>{"1200", "12,3", "2100", "4000"})) << "asked once per line, in entry order";
    expectSameEntry(plan.entry, readBack(plan.request));
    EXPECT_EQ(plan.entry.lines[0].entity, "Caf\xc3\xa9 & <Sons>") << "UTF-8, as QuickBooks answers";
    EXPECT_EQ(plan.entry.lines[3].cents, 100001) << "half away from zero";
    EXPECT_FALSE(plan.entry.lines[1].debit) << "a zero line is a credit";
}

TEST(PlannedEntry, WhatTheImportRefusesHasNoRequestAndAsksForNoName) {
    int asked = 0;
    auto names = [&](const std::string&) {
        ++asked;
        return std::string();
    };
    const PlannedEntry zero = planEntry(block("1", {{"1000", "0"}, {"4000", "-5"}}), names);
    ASSERT_TRUE(zero.refusal);
    EXPECT_EQ(zero.refusal->number, kZeroAmountError);
    EXPECT_TRUE(zero.request.empty());

    const PlannedEntry undated = planEntry(block("2", {{"1000", "5"}, {"4000", "-5"}}, std::nullopt), names);
    ASSERT_TRUE(undated.refusal);
    EXPECT_EQ(undated.refusal->number, 13);
    EXPECT_TRUE(undated.lines.empty()) << "refused before its lines are sorted";
    EXPECT_EQ(asked, 0);
}

}  // namespace
