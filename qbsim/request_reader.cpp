#include "qbsim/request.h"

#include <algorithm>

#include "platform/trim.h"
#include "qbsim/request_prolog.h"
#include "qbsim/request_schema.h"

#include <pugixml.hpp>

namespace ztl::qbsim {
namespace {

RefRq readRef(pugi::xml_node node) {
    RefRq r;
    for (auto& [slot, c] : sequence(node, "ListID FullName"))
        (slot == 0 ? r.listId : r.fullName) = leafText(c);
    return r;
}

LineRq readLine(pugi::xml_node node, bool debit) {
    LineRq l;
    l.debit = debit;
    bool hasAccount = false;
    for (auto& [slot, c] : sequence(node, "AccountRef Amount Memo EntityRef")) {
        if (slot == 0) {
            l.account = readRef(c);
            hasAccount = true;
        } else if (slot == 3) {
            l.entity = readRef(c);
        } else {
            (slot == 1 ? l.amount : l.memo) = leafText(c);
        }
    }
    if (!hasAccount) parseError(std::string("<") + node.name() + "> without <AccountRef>");
    return l;
}

JournalEntryAddRq readJournalEntryAdd(pugi::xml_node rq) {
    auto parts = sequence(rq, "JournalEntryAdd");
    if (parts.empty()) parseError("<JournalEntryAddRq> without <JournalEntryAdd>");
    JournalEntryAddRq e;
    for (auto& [slot, c] :
         sequence(parts[0].second, "TxnDate RefNumber Memo JournalDebitLine* JournalCreditLine*")) {
        if (slot >= 3)
            e.lines.push_back(readLine(c, slot == 3));
        else
            (slot == 0 ? e.txnDate : slot == 1 ? e.refNumber : e.memo) = leafText(c);
    }
    return e;
}

// The head both 1.0 queries start with: two repeating identifiers in slots 0 and 1 (TxnID
// and RefNumber, ListID and FullName), MaxReturned in slot 2. False for any later slot.
bool readQueryHead(std::size_t slot, pugi::xml_node c, std::vector<std::string>& first,
                   std::vector<std::string>& second, std::optional<std::string>& maxReturned) {
    if (slot > 2) return false;
    if (slot == 2)
        maxReturned = leafText(c);
    else
        (slot == 0 ? first : second).push_back(leafText(c));
    return true;
}

// A 1.0 range filter: either end may be left out.
void readRange(pugi::xml_node filter, const char* fromElement, const char* toElement,
               std::optional<std::string>& from, std::optional<std::string>& to) {
    for (auto& [i, d] : sequence(filter, std::string(fromElement) + " " + toElement))
        (i == 0 ? from : to) = leafText(d);
}

// A <text>Filter (a MatchCriterion and the text) or a <text>RangeFilter (From<text>,
// To<text>) of 1.0; the schema lets a query hold only one of the two.
void readTextFilter(pugi::xml_node filter, bool byMatch, const std::string& text, TextFilter& out) {
    if (!byMatch) {
        if (out.match) parseError("<" + text + "RangeFilter> beside <" + text + "Filter>");
        return readRange(filter, ("From" + text).c_str(), ("To" + text).c_str(), out.from, out.to);
    }
    auto parts = sequence(filter, "MatchCriterion " + text);
    if (parts.size() != 2) parseError("<" + text + "Filter> needs MatchCriterion and " + text);
    out.criterion = leafText(parts[0].second);
    out.match = leafText(parts[1].second);
    if (*out.criterion != "StartsWith" && *out.criterion != "Contains" && *out.criterion != "EndsWith")
        parseError("MatchCriterion \"" + *out.criterion + "\" is not a qbXML 1.0 choice");
}

// A list filter of 1.0: one FullName, or one FullNameWithChildren (the simulated lists have
// no children, so both name the one record).
std::optional<std::string> readNameFilter(pugi::xml_node node) {
    auto parts = sequence(node, "FullName FullNameWithChildren");
    if (parts.size() != 1)
        parseError(std::string("<") + node.name() + "> needs one FullName or FullNameWithChildren");
    return leafText(parts[0].second);
}

JournalEntryQueryRq readJournalEntryQuery(pugi::xml_node rq) {
    JournalEntryQueryRq q;
    enum { TxnID, RefNumber, MaxReturned, Modified, TxnDates, Entity, Account, RefFilter, RefRange, Lines };
    bool byId = false, byFilter = false, modified = false;
    for (auto& [slot, c] :
         sequence(rq,
                  "TxnID* RefNumber* MaxReturned ModifiedDateRangeFilter TxnDateRangeFilter EntityFilter "
                  "AccountFilter RefNumberFilter RefNumberRangeFilter IncludeLineItems")) {
        if (slot == TxnID || slot == RefNumber) byId = true;
        if (slot >= MaxReturned && slot <= RefRange) byFilter = true;
        if (readQueryHead(slot, c, q.txnIds, q.refNumbers, q.maxReturned)) continue;
        switch (slot) {
            case Modified:
                modified = true;
                readRange(c, "FromModifiedDate", "ToModifiedDate", q.fromModified, q.toModified);
                break;
            case TxnDates:
                if (modified) parseError("<TxnDateRangeFilter> beside <ModifiedDateRangeFilter>");
                for (auto& [i, d] : sequence(c, "FromTxnDate ToTxnDate DateMacro")) {
                    // Date macros name periods of the company's own calendar: not simulated.
                    if (i == 2) parseError("<DateMacro> is not a filter this company answers");
                    (i == 0 ? q.fromTxnDate : q.toTxnDate) = leafText(d);
                }
                break;
            case Entity:
                q.entity = readNameFilter(c);
                break;
            case Account:
                q.account = readNameFilter(c);
                break;
            case RefFilter:
            case RefRange:
                readTextFilter(c, slot == RefFilter, "RefNumber", q.ref);
                break;
            case Lines:
                q.includeLineItems = leafText(c);
                break;
        }
    }
    if (!q.txnIds.empty() && !q.refNumbers.empty()) parseError("<TxnID> beside <RefNumber>");
    if (byId && byFilter) parseError("<TxnID> or <RefNumber> beside a filter");
    return q;
}

// The transaction types a TxnDel names in qbXML 1.1; the company holds journal entries only.
bool isTxnDelType(std::string_view t) {
    for (const char* k :
         {"Bill", "BillPaymentCheck", "BillPaymentCreditCard", "Charge", "Check", "CreditCardCharge",
          "CreditCardCredit", "CreditMemo", "Deposit", "Estimate", "Invoice", "ItemReceipt", "JournalEntry",
          "PurchaseOrder", "ReceivePayment", "SalesReceipt", "TimeTracking", "VendorCredit"})
        if (t == k) return true;
    return false;
}

TxnDelRq readTxnDel(pugi::xml_node rq) {
    TxnDelRq d;
    bool type = false, id = false;
    for (auto& [slot, c] : sequence(rq, "TxnDelType TxnID")) {
        if (slot == 0) {
            d.type = std::string(trimmedView(leafText(c), kWhitespace));
            type = true;
        } else {
            d.txnId = std::string(trimmedView(leafText(c), kWhitespace));
            id = true;
        }
    }
    if (!type || !id) parseError("<TxnDelRq> needs <TxnDelType> and <TxnID>");
    if (!isTxnDelType(d.type)) parseError("TxnDelType \"" + d.type + "\" is not a qbXML 1.1 choice");
    return d;
}

// A CustomerQueryRq or VendorQueryRq of 1.0. The modified-date and balance filters are not
// simulated: a query with one is not one this company can answer.
NameQueryRq readNameQuery(pugi::xml_node rq) {
    NameQueryRq q;
    enum {
        ListID,
        FullName,
        MaxReturned,
        ActiveStatus,
        Modified,
        ToModified,
        NameFilter,
        NameRange,
        Balance
    };
    bool byName = false, byFilter = false;
    for (auto& [slot, c] : sequence(rq,
                                    "ListID* FullName* MaxReturned ActiveStatus FromModifiedDate "
                                    "ToModifiedDate NameFilter NameRangeFilter TotalBalanceFilter")) {
        if (slot == ListID || slot == FullName) byName = true;
        if (slot >= MaxReturned) byFilter = true;
        if (readQueryHead(slot, c, q.listIds, q.fullNames, q.maxReturned)) continue;
        switch (slot) {
            case ActiveStatus:
                q.activeStatus = leafText(c);
                if (*q.activeStatus != "ActiveOnly" && *q.activeStatus != "InactiveOnly" &&
                    *q.activeStatus != "All")
                    parseError("ActiveStatus \"" + *q.activeStatus + "\" is not a qbXML 1.0 choice");
                break;
            case NameFilter:
            case NameRange:
                readTextFilter(c, slot == NameFilter, "Name", q.name);
                break;
            default:
                parseError(std::string("<") + c.name() + "> is not a filter this company answers");
        }
    }
    if (!q.listIds.empty() && !q.fullNames.empty()) parseError("<ListID> beside <FullName>");
    if (byName && byFilter)
        parseError(std::string("<ListID> or <FullName> beside a filter in <") + rq.name() + ">");
    return q;
}

// A request the declared version does not have is, to QuickBooks, an unknown element.
void requireVersion(const MessageSet& set, const char* since, std::string_view element) {
    if (set.version < since)
        parseError("<" + std::string(element) + "> is not in qbXML " + set.version + " (it is from " + since +
                   ")");
}

}  // namespace

MessageSet readRequest(std::string_view text) {
    rejectBinary(text);
    MessageSet out;
    checkProlog(text, out.version);
    checkEpilog(text);
    pugi::xml_document doc;
    // Entities are decoded by decodeReferences, which knows no declared ones.
    auto flags = (pugi::parse_default & ~pugi::parse_escapes);
    auto res = doc.load_buffer(text.data(), text.size(), flags, pugi::encoding_utf8);
    if (!res) parseError(std::string(res.description()) + " at offset " + std::to_string(res.offset));
    pugi::xml_node root;
    for (auto c : doc.children()) {
        if (c.type() == pugi::node_element) {
            if (root) parseError("more than one root element");
            root = c;
        } else if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
            parseError("text outside the root element");
        }
    }
    if (!root || std::string_view(root.name()) != "QBXML") parseError("the root element is not <QBXML>");
    auto sets = sequence(root, "QBXMLMsgsRq");
    if (sets.empty()) parseError("<QBXML> without <QBXMLMsgsRq>");
    auto msgs = sets[0].second;
    auto onError = attribute(msgs, "onError");
    if (!onError) parseError("<QBXMLMsgsRq> without onError");
    if (*onError == "continueOnError")
        out.stopOnError = false;
    else if (*onError != "stopOnError")
        parseError("onError=\"" + *onError + "\" is not a qbXML 1.0 choice");
    for (auto c : msgs.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
            if (!isBlank(c.value())) parseError("text inside <QBXMLMsgsRq>");
            continue;
        }
        if (c.type() != pugi::node_element) continue;
        std::string_view name = c.name();
        Request r;
        r.requestId = attribute(c, "requestID");
        if (name == "AccountQueryRq") {
            // Filters are not simulated: a query with any is not one this company can answer.
            sequence(c, "");
            r.kind = "AccountQuery";
        } else if (name == "CustomerQueryRq" || name == "VendorQueryRq") {
            r.kind = name == "CustomerQueryRq" ? "CustomerQuery" : "VendorQuery";
            r.nameQuery = readNameQuery(c);
        } else if (name == "JournalEntryAddRq") {
            r.kind = "JournalEntryAdd";
            r.entry = readJournalEntryAdd(c);
        } else if (name == "JournalEntryQueryRq") {
            r.kind = "JournalEntryQuery";
            r.journalQuery = readJournalEntryQuery(c);
        } else if (name == "TxnDelRq") {
            requireVersion(out, "1.1", name);
            r.kind = "TxnDel";
            r.txnDel = readTxnDel(c);
        } else if (name == "PreferencesQueryRq") {
            requireVersion(out, "1.1", name);
            sequence(c, "");
            r.kind = "PreferencesQuery";
        } else {
            parseError("<" + std::string(name) + "> is not a request this company answers");
        }
        out.requests.push_back(std::move(r));
    }
    if (out.requests.empty()) parseError("<QBXMLMsgsRq> holds no request");
    return out;
}

}  // namespace ztl::qbsim
