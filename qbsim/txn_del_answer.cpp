#include "qbsim/answers.h"

#include <optional>

namespace ztl::qbsim {

// A delete removes the entry completely, as QuickBooks' TxnDel does (a void would keep it
// at zero). An entry dated on or before the closing date is refused: the simulated company
// has no closing-date password that would let it through.
void answerTxnDel(Company& company, const Request& r, XmlOut& x, Status& st) {
    const TxnDelRq& d = r.txnDel;
    std::optional<JournalEntry> removed;
    company.inWriteTransaction([&] {
        std::optional<JournalEntry> entry;
        if (d.type == "JournalEntry") entry = company.findEntry(d.txnId);
        if (!entry) {
            st = {3120, "Error",
                  "Object \"" + d.txnId +
                      "\" specified in the request cannot be found.  QuickBooks error message: "
                      "Invalid argument.  The specified record does not exist in the list."};
            return false;
        }
        if (auto closing = company.closingDate(); closing && entry->txnDate <= *closing) {
            st = {3161, "Error",
                  "The transaction dated " + entry->txnDate +
                      " cannot be deleted: it is dated on or before the "
                      "company's closing date " +
                      *closing + "."};
            return false;
        }
        company.remove(d.txnId);
        removed = std::move(entry);
        return true;
    });
    openRs(x, "TxnDel", r, st);
    if (removed) {
        x.leaf("TxnDelType", d.type);
        x.leaf("TxnID", removed->txnId);
        x.leaf("TimeDeleted", qbTime(company.now()));
        if (removed->refNumber) x.leaf("RefNumber", *removed->refNumber);
    }
    x.close("TxnDelRs");
}

}  // namespace ztl::qbsim
