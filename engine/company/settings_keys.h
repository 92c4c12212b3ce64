#pragma once
// Every key the programs keep in the settings store, and the name the programs give
// QuickBooks when they connect. Whoever reads or writes a key names it from here, so a
// misspelt key cannot read as "never set".
#include <string>

#include "platform/settings_store.h"

namespace ztl {

// The application name every connection to QuickBooks carries, blanks and all: QuickBooks
// shows it when it asks whether to let the program in.
inline constexpr const char* kQuickBooksAppName = "Korvane Zentrel   ";

namespace key {
inline constexpr const char* kReceivablesName = "ARImportAccount";  // the customer of receivables lines
inline constexpr const char* kPayablesName = "VendorImportAccount";  // the vendor of payables lines
inline constexpr const char* kSalesTaxName = "TaxImportAccount";     // the vendor of sales-tax lines
inline constexpr const char* kImportReferenceNumber = "ImportReferenceNumber";
inline constexpr const char* kDuplicateCheck = "DuplicateCheck";  // "off": import without asking
inline constexpr const char* kCompany = "Company";                // the single-store import target

// The unattended run's settings, in the section kPostSection (one per workstation, read
// before QuickBooks is reached).
inline constexpr const char* kMailCommand = "MailCommand";    // gets the message on stdin
inline constexpr const char* kMailTo = "MailTo";              // the bookkeeper's addresses
inline constexpr const char* kMailFrom = "MailFrom";          // the sender
inline constexpr const char* kMailEveryRun = "MailEveryRun";  // "yes": a message after a clean run too
inline constexpr const char* kPostTime = "PostTime";          // HH:MM, when the timer posts each day
inline constexpr const char* kPostDeadline = "PostDeadline";  // HH:MM, the end of the Web Connector wait
inline constexpr const char* kSettleSeconds = "SettleSeconds";  // how long a totals file stays unchanged before it is posted
inline constexpr const char* kPostPastHeld = "PostPastHeld";  // "yes": later days are posted past a day held for the bookkeeper
}  // namespace key

inline constexpr const char* kPostSection = "Zentrel\\Post";

// The multi-store settings section of a company file.
inline std::string companySettingsSection(const std::string& companyFile) {
    return "ZentrelMS\\Settings\\" + companyFile;
}

}  // namespace ztl
