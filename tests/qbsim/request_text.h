#pragma once
// Request texts exactly as the import engine writes them (line for line, blank for blank,
// CR LF line ends), so that the simulated company is tested on what it will really get.
#include <filesystem>
#include <string>
#include <vector>

#include "qbsim/company.h"
#include "tests/support/temp_folder.h"

namespace qbsim_test {

inline const char* kProlog =
    "<?xml version =\"1.0\" ?>\r\n"
    "<!DOCTYPE QBXML PUBLIC '-//INTUIT//DTD QBXML QBD 1.0//EN'>\r\n";

inline std::string accountQueryRequest() {
    return std::string(kProlog) +
           "<QBXML>\r\n"
           "    <QBXMLMsgsRq onError=\"stopOnError\">\r\n"
           "        <AccountQueryRq requestID=\"1\" >\r\n"
           "        </AccountQueryRq>\r\n"
           "    </QBXMLMsgsRq>\r\n"
           "</QBXML>\r\n";
}

struct Row {
    Row(std::string a, std::string v, std::string e = "")
        : account(std::move(a)), amount(std::move(v)), entity(std::move(e)) {}
    std::string account;  // the store's account code, written after "<FullName> "
    std::string amount;   // the amount text; a leading '-' makes the row a credit line
    std::string entity;   // empty: no EntityRef
};

// One journal entry request; each row is a debit line unless its amount starts with '-'
// or is all zeros, in which case it is a credit line of the unsigned amount.
inline std::string journalEntryRequest(const std::string& ref, const std::string& date,
                                       const std::vector<Row>& rows) {
    std::string r = std::string(kProlog) +
                    "<QBXML>\r\n"
                    "    <QBXMLMsgsRq onError=\"stopOnError\">\r\n"
                    "        <JournalEntryAddRq requestID=\"1\" > \r\n"
                    "            <JournalEntryAdd>\r\n"
                    "                <TxnDate>" +
                    date +
                    "</TxnDate>\r\n"
                    "                <RefNumber>" +
                    ref +
                    "</RefNumber>\r\n"
                    "                <Memo> Korvane Import </Memo>\r\n";
    for (const auto& row : rows) {
        bool credit = !row.amount.empty() &&
                      (row.amount[0] == '-' || row.amount.find_first_not_of("0.") == std::string::npos);
        std::string tag = credit ? "JournalCreditLine" : "JournalDebitLine";
        std::string amount = row.amount[0] == '-' ? row.amount.substr(1) : row.amount;
        r += "                    <" + tag +
             ">\r\n"
             "                        <AccountRef>\r\n"
             "                            <FullName> " +
             row.account +
             "</FullName>\r\n"
             "                        </AccountRef>\r\n"
             "                        <Amount>" +
             amount +
             "</Amount>\r\n"
             "                        <Memo> Korvane Import </Memo>\r\n";
        if (!row.entity.empty())
            r += "                        <EntityRef>\r\n"
                 "                            <FullName>" +
                 row.entity +
                 "</FullName>\r\n"
                 "                        </EntityRef>\r\n";
        r += "                    </" + tag + ">\r\n";
    }
    r += "            </JournalEntryAdd>\r\n"
         "        </JournalEntryAddRq>\r\n"
         "    </QBXMLMsgsRq>\r\n"
         "</QBXML>\r\n";
    return r;
}

using TempFolder = ztl::testsupport::TempFolder;

// A new sample company in a temporary folder.
struct SampleCompany {
    TempFolder folder;
    std::filesystem::path file = folder / "company.qbw";
    ztl::qbsim::Company company;
    explicit SampleCompany(ztl::qbsim::CompanyOptions options = {});
};

}  // namespace qbsim_test
