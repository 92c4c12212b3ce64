#include "engine/posting/planned_entry.h"

#include "engine/totals/transaction_sort.h"
#include "platform/trim.h"
#include "platform/windows1252.h"
#include "qbxml/import_memo.h"

namespace ztl {
PlannedEntry planEntry(const DayBlock& block, const EntityLookup& entityOf) {
    PlannedEntry plan;
    plan.referenceNumber = block.referenceNumber;
    if (!block.date) {
        plan.refusal = block.dateError.value_or(vbError(vb::kTypeMismatch));
        return plan;
    }
    try {
        plan.lines = sortedPostingLines(block.lines);
        std::vector<std::string> entities;
        plan.request = journalEntryRequest(block.referenceNumber, *block.date, plan.lines,
                                           [&](const std::string& code) {
                                               entities.push_back(entityOf ? entityOf(code) : std::string());
                                               return entities.back();
                                           });
        plan.entry.refNumber = windows1252ToUtf8(block.referenceNumber);
        plan.entry.txnDate = qbxmlDate(*block.date);
        for (std::size_t i = 0; i < plan.lines.size(); ++i) {
            const Decimal& amount = plan.lines[i].amount;
            EntryLine line;
            line.debit = amount.sign() > 0;
            line.account = windows1252ToUtf8(" " + trimmed(plan.lines[i].accountCode));
            line.amountText = amount.fixed();
            line.cents = entryLineCents(line.amountText);
            line.memo = " " + std::string(kImportMemo) + " ";  // as the request writes it, blanks and all
            line.entity = windows1252ToUtf8(entities.at(i));
            plan.entry.lines.push_back(std::move(line));
        }
    } catch (const std::exception& ex) {
        plan.request.clear();
        plan.entry = {};
        plan.refusal = toVbError(ex);
    }
    return plan;
}

}  // namespace ztl

namespace ztl {

PlannedEntry planEntry(const DayBlock& block, const CompanyChart& chart, const EntityNames& names) {
    return planEntry(block, [&](const std::string& code) { return importEntityFor(chart, code, names); });
}

}  // namespace ztl
