#include "qbsim/qbxml.h"

#include "platform/calendar.h"
#include "platform/trim.h"
#include "platform/windows1252.h"
#include "platform/xml_escape.h"
#include "qbxml/names.h"
#include "qbxml/values.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>
#include <vector>

namespace ztl::qbsim {

namespace {

[[noreturn]] void parseError(const std::string& why) {
    throw RequestParseError(why);
}

// ---------------------------------------------------------------------------------------
// Reading the request

// XML 1.0 allows no control characters but tab, line feed and carriage return: a request
// holding any other is binary data, whatever a lenient parser would make of it.
void rejectBinary(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        if ((c < 0x20 && c != '\t' && c != '\n' && c != '\r') || c == 0x7f) {
            char buf[80];
            std::snprintf(buf, sizeof buf, "control byte 0x%02X at offset %zu", c, i);
            parseError(buf);
        }
    }
}

bool startsWith(std::string_view s, std::size_t pos, std::string_view what) {
    return s.compare(pos, what.size(), what) == 0;
}

std::string collapseBlanks(std::string_view s) {
    std::string out;
    bool blank = false;
    for (char c : s) {
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            blank = true;
            continue;
        }
        if (blank && !out.empty()) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

// Checks what comes before the root element: an optional XML declaration, then comments,
// processing instructions and at most one document type declaration, of which a qbXML
// version marker must be one: the DOCTYPE line or <?qbxml version="..."?> of 1.0 or 1.1. A DOCTYPE
// with an internal subset (the only place entities can be declared) is refused outright,
// so no entity is ever defined, let alone expanded. Sets `declared` to the version the
// marker declares ("1.0" or "1.1"); returns the offset of the root element.
std::size_t checkProlog(std::string_view text, std::string& declared) {
    std::size_t pos = startsWith(text, 0, "\xEF\xBB\xBF") ? 3 : 0;
    const std::size_t start = pos;
    bool version = false, doctype = false;
    for (;;) {
        while (pos < text.size() && std::string_view(" \t\r\n").find(text[pos]) != std::string_view::npos)
            ++pos;
        if (pos >= text.size()) parseError("no root element");
        if (startsWith(text, pos, "<?")) {
            auto end = text.find("?>", pos + 2);
            if (end == std::string_view::npos) parseError("unterminated processing instruction");
            std::string body = collapseBlanks(text.substr(pos + 2, end - pos - 2));
            std::string target = body.substr(0, body.find(' '));
            if (target == "xml") {
                if (pos != start) parseError("XML declaration not at the start of the text");
            } else if (target == "qbxml") {
                std::string rest = body.substr(target.size());
                rest.erase(std::remove(rest.begin(), rest.end(), ' '), rest.end());
                std::string v;
                if (rest.size() == 13 && rest.starts_with("version=") &&
                    (rest[8] == '"' || rest[8] == '\'') && rest[12] == rest[8])
                    v = rest.substr(9, 3);
                if (v != "1.0" && v != "1.1") parseError("unsupported qbXML version marker <?" + body + "?>");
                if (!declared.empty() && declared != v) parseError("two qbXML versions in one request");
                declared = v;
                version = true;
            }
            pos = end + 2;
        } else if (startsWith(text, pos, "<!--")) {
            auto end = text.find("-->", pos + 4);
            if (end == std::string_view::npos) parseError("unterminated comment");
            pos = end + 3;
        } else if (startsWith(text, pos, "<!DOCTYPE")) {
            auto end = text.find('>', pos);
            if (end == std::string_view::npos) parseError("unterminated DOCTYPE");
            std::string_view decl = text.substr(pos, end - pos + 1);
            if (decl.find('[') != std::string_view::npos) parseError("DOCTYPE with an internal subset");
            if (doctype) parseError("second DOCTYPE");
            std::string d = collapseBlanks(decl.substr(9, decl.size() - 10));
            std::replace(d.begin(), d.end(), '"', '\'');
            std::string v;
            for (const char* known : {"1.0", "1.1"})
                if (d == std::string("QBXML PUBLIC '-//INTUIT//DTD QBXML QBD ") + known + "//EN'") v = known;
            if (v.empty()) parseError("unsupported DOCTYPE " + std::string(decl));
            if (!declared.empty() && declared != v) parseError("two qbXML versions in one request");
            declared = v;
            doctype = version = true;
            pos = end + 1;
        } else if (startsWith(text, pos, "<!")) {
            parseError("markup declaration outside a DOCTYPE");
        } else if (text[pos] == '<') {
            break;
        } else {
            parseError("text before the root element");
        }
    }
    if (!version) parseError("no qbXML version: neither a qbXML DOCTYPE nor <?qbxml version=\"...\"?>");
    // Declarations after the prolog are not XML; the parser would skip them silently.
    for (const char* decl : {"<!DOCTYPE", "<!ENTITY", "<!ELEMENT", "<!ATTLIST"})
        if (text.find(decl, pos) != std::string_view::npos)
            parseError(std::string(decl) + " inside the document");
    return pos;
}

// The parser keeps no text that follows the root element, so it is looked for here: after
// the root's end tag only blanks, comments and processing instructions may follow.
void checkEpilog(std::string_view text) {
    auto end = text.rfind("</QBXML");
    if (end == std::string_view::npos) return;  // no such root: the schema check refuses it
    auto pos = text.find('>', end);
    if (pos == std::string_view::npos) return;  // unterminated: the parser refuses it
    ++pos;
    while (pos < text.size()) {
        if (std::string_view(" \t\r\n").find(text[pos]) != std::string_view::npos) {
            ++pos;
        } else if (startsWith(text, pos, "<!--")) {
            auto e = text.find("-->", pos + 4);
            if (e == std::string_view::npos) parseError("unterminated comment after the root element");
            pos = e + 3;
        } else if (startsWith(text, pos, "<?")) {
            auto e = text.find("?>", pos + 2);
            if (e == std::string_view::npos)
                parseError("unterminated processing instruction after the root element");
            pos = e + 2;
        } else {
            parseError("content after the root element");
        }
    }
}

bool isXmlChar(unsigned long cp) {
    return cp == 0x9 || cp == 0xA || cp == 0xD || (cp >= 0x20 && cp <= 0xD7FF) ||
           (cp >= 0xE000 && cp <= 0xFFFD) || (cp >= 0x10000 && cp <= 0x10FFFF);
}

// Replaces the five predefined entities and character references. The document declares
// no entities (checkProlog), so any other reference, or a bare '&', is not well-formed.
std::string decodeReferences(std::string_view raw) {
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '&') {
            out += raw[i];
            continue;
        }
        auto semi = raw.find(';', i);
        if (semi == std::string_view::npos || semi - i > 12) parseError("'&' that starts no reference");
        std::string_view name = raw.substr(i + 1, semi - i - 1);
        if (name == "amp")
            out += '&';
        else if (name == "lt")
            out += '<';
        else if (name == "gt")
            out += '>';
        else if (name == "quot")
            out += '"';
        else if (name == "apos")
            out += '\'';
        else if (name.size() >= 2 && name[0] == '#') {
            bool hex = name[1] == 'x';
            std::string_view digits = name.substr(hex ? 2 : 1);
            if (digits.empty()) parseError("empty character reference");
            unsigned long cp = 0;
            for (char c : digits) {
                int v = (c >= '0' && c <= '9')        ? c - '0'
                        : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                      : -1;
                if (v < 0) parseError("bad character reference &" + std::string(name) + ";");
                cp = cp * (hex ? 16 : 10) + static_cast<unsigned long>(v);
                if (cp > 0x10FFFF) parseError("character reference out of range");
            }
            if (!isXmlChar(cp)) parseError("character reference to a character XML does not allow");
            appendUtf8(out, static_cast<char32_t>(cp));
        } else {
            parseError("reference to an undeclared entity &" + std::string(name) + ";");
        }
        i = semi;
    }
    return out;
}

bool isBlank(std::string_view s) {
    return s.find_first_not_of(" \t\r\n") == std::string_view::npos;
}

// The text of an element that holds only text (character data and CDATA sections).
std::string leafText(pugi::xml_node node) {
    std::string out;
    for (auto c : node.children()) {
        switch (c.type()) {
            case pugi::node_pcdata:
                out += decodeReferences(c.value());
                break;
            case pugi::node_cdata:
                out += c.value();
                break;
            case pugi::node_element:
                parseError(std::string("element <") + c.name() + "> inside <" + node.name() + ">");
            default:
                break;
        }
    }
    return out;
}

std::optional<std::string> attribute(pugi::xml_node node, const char* name) {
    auto a = node.attribute(name);
    if (!a) return std::nullopt;
    return decodeReferences(a.value());
}

struct Slot {
    const char* name;
    bool repeats;
};

// Assigns each child element of `parent` to its slot of the ordered content model `slots`
// (each slot optional; repeating slots take any number): an element out of order, an
// unknown one, a second one of a single slot or non-blank text is a schema violation.
std::vector<std::pair<std::size_t, pugi::xml_node>> sequence(pugi::xml_node parent,
                                                             std::initializer_list<Slot> slots) {
    std::vector<std::pair<std::size_t, pugi::xml_node>> out;
    std::vector<Slot> s(slots);
    std::size_t at = 0;
    bool used = false;
    for (auto c : parent.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata) {
            if (!isBlank(c.value())) parseError(std::string("text inside <") + parent.name() + ">");
            continue;
        }
        if (c.type() != pugi::node_element) continue;
        std::string_view name = c.name();
        std::size_t i = at;
        while (i < s.size() && name != s[i].name) ++i;
        if (i == s.size()) {
            bool earlier = std::any_of(s.begin(), s.end(), [&](const Slot& x) { return name == x.name; });
            parseError(std::string("<") + c.name() + "> " + (earlier ? "out of order" : "not allowed") +
                       " in <" + parent.name() + ">");
        }
        if (i == at && used && !s[i].repeats)
            parseError(std::string("second <") + c.name() + "> in <" + parent.name() + ">");
        used = true;
        at = i;
        out.emplace_back(i, c);
    }
    return out;
}

struct RefRq {
    std::optional<std::string> listId, fullName;
    // What an error message calls the reference: the full name as given, else the ListID.
    std::string label() const {
        return fullName ? std::string(trimmedView(*fullName, kWhitespace)) : listId.value_or("");
    }
};

RefRq readRef(pugi::xml_node node) {
    RefRq r;
    for (auto& [slot, c] : sequence(node, {{"ListID", false}, {"FullName", false}}))
        (slot == 0 ? r.listId : r.fullName) = leafText(c);
    return r;
}

struct LineRq {
    bool debit = true;
    RefRq account;
    std::optional<std::string> amount, memo;
    std::optional<RefRq> entity;
};

struct JournalEntryAddRq {
    std::optional<std::string> txnDate, refNumber, memo;
    std::vector<LineRq> lines;
};

struct AccountQueryRq {};

// qbXML 1.0's customer and vendor queries: ListID+, or FullName+, or the filters.
struct NameQueryRq {
    std::vector<std::string> listIds, fullNames;
    std::optional<std::string> maxReturned, activeStatus;
    std::optional<std::string> nameMatch, nameMatchCriterion, fromName, toName;
};

// qbXML 1.0's journal entry query: TxnID+, or RefNumber+, or the filters, in this order.
struct JournalEntryQueryRq {
    std::vector<std::string> txnIds, refNumbers;
    std::optional<std::string> maxReturned;
    std::optional<std::string> fromModified, toModified, fromTxnDate, toTxnDate;
    std::optional<std::string> entity, account;  // FullName or FullNameWithChildren
    std::optional<std::string> refMatch, refMatchCriterion, fromRef, toRef;
    std::optional<std::string> includeLineItems;
};

// qbXML 1.1's delete of one transaction.
struct TxnDelRq {
    std::string type, txnId;
};

struct Request {
    std::string kind;  // element name without the Rq suffix
    std::optional<std::string> requestId;
    AccountQueryRq query;
    JournalEntryAddRq entry;
    JournalEntryQueryRq journalQuery;
    TxnDelRq txnDel;
    NameQueryRq nameQuery;
};

LineRq readLine(pugi::xml_node node, bool debit) {
    LineRq l;
    l.debit = debit;
    bool hasAccount = false;
    for (auto& [slot, c] :
         sequence(node, {{"AccountRef", false}, {"Amount", false}, {"Memo", false}, {"EntityRef", false}})) {
        switch (slot) {
            case 0:
                l.account = readRef(c);
                hasAccount = true;
                break;
            case 1:
                l.amount = leafText(c);
                break;
            case 2:
                l.memo = leafText(c);
                break;
            case 3:
                l.entity = readRef(c);
                break;
        }
    }
    if (!hasAccount) parseError(std::string("<") + node.name() + "> without <AccountRef>");
    return l;
}

JournalEntryAddRq readJournalEntryAdd(pugi::xml_node rq) {
    auto parts = sequence(rq, {{"JournalEntryAdd", false}});
    if (parts.empty()) parseError("<JournalEntryAddRq> without <JournalEntryAdd>");
    JournalEntryAddRq e;
    for (auto& [slot, c] : sequence(parts[0].second, {{"TxnDate", false},
                                                      {"RefNumber", false},
                                                      {"Memo", false},
                                                      {"JournalDebitLine", true},
                                                      {"JournalCreditLine", true}})) {
        switch (slot) {
            case 0:
                e.txnDate = leafText(c);
                break;
            case 1:
                e.refNumber = leafText(c);
                break;
            case 2:
                e.memo = leafText(c);
                break;
            default:
                e.lines.push_back(readLine(c, slot == 3));
                break;
        }
    }
    return e;
}

// A list filter of 1.0: one FullName, or one FullNameWithChildren (the simulated lists have
// no children, so both name the one record).
std::optional<std::string> readNameFilter(pugi::xml_node node) {
    auto parts = sequence(node, {{"FullName", false}, {"FullNameWithChildren", false}});
    if (parts.size() != 1)
        parseError(std::string("<") + node.name() + "> needs one FullName or FullNameWithChildren");
    return leafText(parts[0].second);
}

JournalEntryQueryRq readJournalEntryQuery(pugi::xml_node rq) {
    JournalEntryQueryRq q;
    enum { TxnID, RefNumber, MaxReturned, Modified, TxnDates, Entity, Account, RefFilter, RefRange, Lines };
    bool byId = false, byFilter = false, modified = false;
    for (auto& [slot, c] : sequence(rq, {{"TxnID", true},
                                         {"RefNumber", true},
                                         {"MaxReturned", false},
                                         {"ModifiedDateRangeFilter", false},
                                         {"TxnDateRangeFilter", false},
                                         {"EntityFilter", false},
                                         {"AccountFilter", false},
                                         {"RefNumberFilter", false},
                                         {"RefNumberRangeFilter", false},
                                         {"IncludeLineItems", false}})) {
        if (slot == TxnID || slot == RefNumber) byId = true;
        if (slot >= MaxReturned && slot <= RefRange) byFilter = true;
        switch (slot) {
            case TxnID:
                q.txnIds.push_back(leafText(c));
                break;
            case RefNumber:
                q.refNumbers.push_back(leafText(c));
                break;
            case MaxReturned:
                q.maxReturned = leafText(c);
                break;
            case Modified:
                modified = true;
                for (auto& [i, d] : sequence(c, {{"FromModifiedDate", false}, {"ToModifiedDate", false}}))
                    (i == 0 ? q.fromModified : q.toModified) = leafText(d);
                break;
            case TxnDates:
                if (modified) parseError("<TxnDateRangeFilter> beside <ModifiedDateRangeFilter>");
                for (auto& [i, d] :
                     sequence(c, {{"FromTxnDate", false}, {"ToTxnDate", false}, {"DateMacro", false}})) {
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
            case RefFilter: {
                auto parts = sequence(c, {{"MatchCriterion", false}, {"RefNumber", false}});
                if (parts.size() != 2) parseError("<RefNumberFilter> needs MatchCriterion and RefNumber");
                q.refMatchCriterion = leafText(parts[0].second);
                q.refMatch = leafText(parts[1].second);
                if (*q.refMatchCriterion != "StartsWith" && *q.refMatchCriterion != "Contains" &&
                    *q.refMatchCriterion != "EndsWith")
                    parseError("MatchCriterion \"" + *q.refMatchCriterion + "\" is not a qbXML 1.0 choice");
                break;
            }
            case RefRange:
                if (q.refMatch) parseError("<RefNumberRangeFilter> beside <RefNumberFilter>");
                for (auto& [i, d] : sequence(c, {{"FromRefNumber", false}, {"ToRefNumber", false}}))
                    (i == 0 ? q.fromRef : q.toRef) = leafText(d);
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
    for (auto& [slot, c] : sequence(rq, {{"TxnDelType", false}, {"TxnID", false}})) {
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
    for (auto& [slot, c] : sequence(rq, {{"ListID", true},
                                         {"FullName", true},
                                         {"MaxReturned", false},
                                         {"ActiveStatus", false},
                                         {"FromModifiedDate", false},
                                         {"ToModifiedDate", false},
                                         {"NameFilter", false},
                                         {"NameRangeFilter", false},
                                         {"TotalBalanceFilter", false}})) {
        if (slot == ListID || slot == FullName) byName = true;
        if (slot >= MaxReturned) byFilter = true;
        switch (slot) {
            case ListID:
                q.listIds.push_back(leafText(c));
                break;
            case FullName:
                q.fullNames.push_back(leafText(c));
                break;
            case MaxReturned:
                q.maxReturned = leafText(c);
                break;
            case ActiveStatus:
                q.activeStatus = leafText(c);
                if (*q.activeStatus != "ActiveOnly" && *q.activeStatus != "InactiveOnly" &&
                    *q.activeStatus != "All")
                    parseError("ActiveStatus \"" + *q.activeStatus + "\" is not a qbXML 1.0 choice");
                break;
            case NameFilter: {
                auto parts = sequence(c, {{"MatchCriterion", false}, {"Name", false}});
                if (parts.size() != 2) parseError("<NameFilter> needs MatchCriterion and Name");
                q.nameMatchCriterion = leafText(parts[0].second);
                q.nameMatch = leafText(parts[1].second);
                if (*q.nameMatchCriterion != "StartsWith" && *q.nameMatchCriterion != "Contains" &&
                    *q.nameMatchCriterion != "EndsWith")
                    parseError("MatchCriterion \"" + *q.nameMatchCriterion + "\" is not a qbXML 1.0 choice");
                break;
            }
            case NameRange:
                if (q.nameMatch) parseError("<NameRangeFilter> beside <NameFilter>");
                for (auto& [i, d] : sequence(c, {{"FromName", false}, {"ToName", false}}))
                    (i == 0 ? q.fromName : q.toName) = leafText(d);
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

struct MessageSet {
    bool stopOnError = true;
    std::string version;  // as the prolog declares it
    std::vector<Request> requests;
};

// A request the declared version does not have is, to QuickBooks, an unknown element.
void requireVersion(const MessageSet& set, const char* since, std::string_view element) {
    if (set.version < since)
        parseError("<" + std::string(element) + "> is not in qbXML " + set.version + " (it is from " + since +
                   ")");
}

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
    auto sets = sequence(root, {{"QBXMLMsgsRq", false}});
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
            sequence(c, {});
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
            sequence(c, {});
            r.kind = "PreferencesQuery";
        } else {
            parseError("<" + std::string(name) + "> is not a request this company answers");
        }
        out.requests.push_back(std::move(r));
    }
    if (out.requests.empty()) parseError("<QBXMLMsgsRq> holds no request");
    return out;
}

// ---------------------------------------------------------------------------------------
// Writing the response

std::string escape(std::string_view s) {
    return xmlEscaped(s, XmlEscape::Attribute);
}

class XmlOut {
  public:
    void open(std::string_view name) {
        indent();
        out_ += '<';
        out_ += name;
        out_ += ">\n";
        ++depth_;
    }
    void close(std::string_view name) {
        --depth_;
        indent();
        out_ += "</";
        out_ += name;
        out_ += ">\n";
    }
    void leaf(std::string_view name, std::string_view value) {
        indent();
        out_ += '<';
        out_ += name;
        out_ += '>';
        out_ += escape(value);
        out_ += "</";
        out_ += name;
        out_ += ">\n";
    }
    // An opening tag whose attributes the caller has escaped.
    void openWith(std::string_view name, std::string_view attributes) {
        indent();
        out_ += '<';
        out_ += name;
        out_ += attributes;
        out_ += ">\n";
        ++depth_;
    }
    void raw(std::string_view s) { out_ += s; }
    void indent() { out_.append(static_cast<std::size_t>(depth_) * 2, ' '); }
    std::string& str() { return out_; }

  private:
    std::string out_;
    int depth_ = 0;
};

struct Status {
    int code = 0;
    std::string severity = "Info";
    std::string message = "Status OK";
};

void openRs(XmlOut& x, const std::string& kind, const Request& r, const Status& s) {
    std::string attributes;
    if (r.requestId) attributes += " requestID=\"" + escape(*r.requestId) + "\"";
    attributes += " statusCode=\"" + std::to_string(s.code) + "\" statusSeverity=\"" + s.severity +
                  "\" statusMessage=\"" + escape(s.message) + "\"";
    x.openWith(kind + "Rs", attributes);
}

void refOut(XmlOut& x, const char* name, const std::string& listId, const std::string& fullName) {
    x.open(name);
    x.leaf("ListID", listId);
    x.leaf("FullName", fullName);
    x.close(name);
}

void answerAccountQuery(Company& company, const Request& r, XmlOut& x, Status& st) {
    auto accounts = company.accounts(true);
    if (accounts.empty()) {
        st = {1, "Info", "A query request did not find a matching object in QuickBooks"};
        openRs(x, "AccountQuery", r, st);
        x.close("AccountQueryRs");
        return;
    }
    openRs(x, "AccountQuery", r, st);
    x.str().reserve(x.str().size() + accounts.size() * 520);
    for (const auto& a : accounts) {
        x.open("AccountRet");
        x.leaf("ListID", a.listId);
        x.leaf("TimeCreated", qbTime(a.timeCreated));
        x.leaf("TimeModified", qbTime(a.timeModified));
        x.leaf("EditSequence", std::to_string(a.editSequence));
        x.leaf("Name", a.name);
        x.leaf("FullName", a.name);
        x.leaf("IsActive", a.active ? "true" : "false");
        x.leaf("Sublevel", "0");
        x.leaf("AccountType", a.type);
        if (!a.number.empty()) x.leaf("AccountNumber", a.number);
        if (!a.desc.empty()) x.leaf("Desc", a.desc);
        x.leaf("Balance", centsText(a.balanceCents));
        x.leaf("TotalBalance", centsText(a.balanceCents));
        x.close("AccountRet");
    }
    x.close("AccountQueryRs");
}

std::string localDate(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[16];
    std::strftime(buf, sizeof buf, "%Y-%m-%d", &tm);
    return buf;
}

const char* kSaveError = "There was an error when saving a Journal Entry.  QuickBooks error message: ";

Status invalidReference(const char* list, const std::string& name) {
    return {3140, "Error",
            std::string("There is an invalid reference to QuickBooks ") + list + " \"" + name +
                "\" in the Journal Entry line.  QuickBooks error message: Invalid argument.  The specified "
                "record "
                "does not exist in the list."};
}

Status conversionError(const std::string& value, const char* field) {
    return {3020, "Error",
            "There was an error when converting the \"" + value + "\" in the field \"" + field + "\"."};
}

// Checks a journal entry against the company; the first refusal in document order wins,
// the balance is checked last. On success `entry` is ready to post.
std::optional<Status> checkEntry(Company& company, const JournalEntryAddRq& rq, JournalEntry& entry) {
    if (rq.txnDate) {
        if (!isQbxmlDate(trimmedView(*rq.txnDate, kWhitespace)))
            return conversionError(*rq.txnDate, "TxnDate");
        entry.txnDate = std::string(trimmedView(*rq.txnDate, kWhitespace));
    } else {
        entry.txnDate = localDate(company.now());
    }
    if (rq.refNumber && utf8CharacterCount(*rq.refNumber) > 11)
        return Status{3070, "Error",
                      "The string \"" + *rq.refNumber + "\" in the field \"RefNumber\" is too long."};
    entry.refNumber = rq.refNumber;
    entry.memo = rq.memo;
    std::int64_t debits = 0, credits = 0;
    for (const auto& l : rq.lines) {
        auto account = l.account.listId     ? company.findAccountByListId(*l.account.listId)
                       : l.account.fullName ? company.findAccount(*l.account.fullName)
                                            : std::nullopt;
        if (!account) return invalidReference("Account", l.account.label());
        std::int64_t cents = 0;
        if (l.amount) {
            auto a = qbxmlAmountCents(*l.amount);
            if (!a) return conversionError(*l.amount, "Amount");
            cents = *a;
        }
        std::optional<Entity> entity;
        if (l.entity) {
            entity = l.entity->listId     ? company.findEntityByListId(*l.entity->listId)
                     : l.entity->fullName ? company.findEntity(*l.entity->fullName)
                                          : std::nullopt;
            if (!entity) return invalidReference("Entity", l.entity->label());
        }
        auto needs = [&](Entity::Kind kind, const char* accountWord,
                         const char* who) -> std::optional<Status> {
            if (entity && entity->kind == kind) return std::nullopt;
            return Status{3180, "Error",
                          std::string(kSaveError) + "When you use " + accountWord + ", you must choose " +
                              who + " in the Name field."};
        };
        std::optional<Status> missing;
        if (account->type == "AccountsReceivable")
            missing = needs(Entity::Kind::Customer, "Accounts Receivable", "a customer");
        else if (account->type == "AccountsPayable")
            missing = needs(Entity::Kind::Vendor, "Accounts Payable", "a vendor");
        else if (sameQuickBooksName(account->name, "Sales Tax Payable"))
            missing = needs(Entity::Kind::Vendor, "Sales Tax Payable", "a vendor");
        if (missing) return missing;
        (l.debit ? debits : credits) += cents;
        JournalLine line;
        line.debit = l.debit;
        line.accountId = account->id;
        line.amountCents = cents;
        line.memo = l.memo;
        if (entity) {
            line.entityId = entity->id;
            line.entityKind = entity->kind;
        }
        entry.lines.push_back(std::move(line));
    }
    if (rq.lines.empty()) return Status{3180, "Error", std::string(kSaveError) + "Transaction is empty."};
    if (debits != credits)
        return Status{3180, "Error", std::string(kSaveError) + "Transaction not in balance."};
    return std::nullopt;
}

void lineOut(XmlOut& x, const JournalLine& l) {
    const char* name = l.debit ? "JournalDebitLine" : "JournalCreditLine";
    x.open(name);
    x.leaf("TxnLineID", "0");
    refOut(x, "AccountRef", l.accountListId, l.accountName);
    x.leaf("Amount", centsText(l.amountCents));
    if (l.memo) x.leaf("Memo", *l.memo);
    if (l.entityId) refOut(x, "EntityRef", l.entityListId, l.entityName);
    x.close(name);
}

// A JournalEntryRet: the entry's memo only where the answer has always carried it (the
// add's echo of the request), its lines only when asked for.
void entryOut(XmlOut& x, const JournalEntry& e, bool withLines, bool withMemo) {
    x.open("JournalEntryRet");
    x.leaf("TxnID", e.txnId);
    x.leaf("TimeCreated", qbTime(e.timeCreated));
    x.leaf("TimeModified", qbTime(e.timeModified));
    x.leaf("EditSequence", std::to_string(e.editSequence));
    x.leaf("TxnNumber", std::to_string(e.txnNumber));
    x.leaf("TxnDate", e.txnDate);
    if (e.refNumber) x.leaf("RefNumber", *e.refNumber);
    if (withMemo && e.memo) x.leaf("Memo", *e.memo);
    if (withLines)
        for (const auto& l : e.lines) lineOut(x, l);
    x.close("JournalEntryRet");
}

void answerJournalEntryAdd(Company& company, const Request& r, XmlOut& x, Status& st) {
    std::optional<JournalEntry> posted;
    company.inWriteTransaction([&] {
        JournalEntry entry;
        if (auto refused = checkEntry(company, r.entry, entry)) {
            st = *refused;
            return false;
        }
        posted = company.post(std::move(entry));
        return true;
    });
    openRs(x, "JournalEntryAdd", r, st);
    if (posted) entryOut(x, *posted, true, true);
    x.close("JournalEntryAddRs");
}

// A date and time of a modified-date filter: YYYY-MM-DD, or with THH:MM:SS, local time unless
// an offset (+HH:MM, -HH:MM or Z) follows; empty when it is none of these.
std::optional<std::time_t> parseDateTime(std::string_view text) {
    std::string_view t = trimmedView(text, kWhitespace);
    if (t.size() < 10 || !isQbxmlDate(t.substr(0, 10))) return std::nullopt;
    std::tm tm{};
    tm.tm_year = std::stoi(std::string(t.substr(0, 4))) - 1900;
    tm.tm_mon = std::stoi(std::string(t.substr(5, 2))) - 1;
    tm.tm_mday = std::stoi(std::string(t.substr(8, 2)));
    t.remove_prefix(10);
    if (!t.empty()) {
        if (t.size() < 9 || t[0] != 'T' || t[3] != ':' || t[6] != ':') return std::nullopt;
        for (std::size_t i : {1, 2, 4, 5, 7, 8})
            if (t[i] < '0' || t[i] > '9') return std::nullopt;
        tm.tm_hour = (t[1] - '0') * 10 + (t[2] - '0');
        tm.tm_min = (t[4] - '0') * 10 + (t[5] - '0');
        tm.tm_sec = (t[7] - '0') * 10 + (t[8] - '0');
        if (tm.tm_hour > 23 || tm.tm_min > 59 || tm.tm_sec > 59) return std::nullopt;
        t.remove_prefix(9);
    }
    if (t.empty()) {
        tm.tm_isdst = -1;
        return std::mktime(&tm);
    }
    long offset = 0;
    if (t == "Z") {
    } else if (t.size() == 6 && (t[0] == '+' || t[0] == '-') && t[3] == ':') {
        for (std::size_t i : {1, 2, 4, 5})
            if (t[i] < '0' || t[i] > '9') return std::nullopt;
        offset = ((t[1] - '0') * 10 + (t[2] - '0')) * 3600L + ((t[4] - '0') * 10 + (t[5] - '0')) * 60L;
        if (t[0] == '-') offset = -offset;
    } else {
        return std::nullopt;
    }
    return timegm(&tm) - offset;
}

bool refMatches(const JournalEntryQueryRq& q, const JournalEntry& e) {
    const std::string ref = foldedName(e.refNumber.value_or(""));
    if (!q.refNumbers.empty() && std::none_of(q.refNumbers.begin(), q.refNumbers.end(),
                                              [&](const std::string& r) { return foldedName(r) == ref; }))
        return false;
    if (q.refMatch) {
        const std::string want = foldedName(*q.refMatch);
        if (*q.refMatchCriterion == "StartsWith" && !ref.starts_with(want)) return false;
        if (*q.refMatchCriterion == "EndsWith" && !ref.ends_with(want)) return false;
        if (*q.refMatchCriterion == "Contains" && ref.find(want) == std::string::npos) return false;
    }
    if (q.fromRef && ref < foldedName(*q.fromRef)) return false;
    if (q.toRef && ref > foldedName(*q.toRef)) return false;
    return true;
}

void answerJournalEntryQuery(Company& company, const Request& r, XmlOut& x, Status& st) {
    const JournalEntryQueryRq& q = r.journalQuery;
    auto refuse = [&](const Status& s) {
        st = s;
        openRs(x, "JournalEntryQuery", r, st);
        x.close("JournalEntryQueryRs");
    };
    std::optional<long> max;
    if (q.maxReturned) {
        std::string_view m = trimmedView(*q.maxReturned, kWhitespace);
        bool digits = !m.empty() && m.size() < 10 &&
                      std::all_of(m.begin(), m.end(), [](char c) { return c >= '0' && c <= '9'; });
        if (!digits || std::stol(std::string(m)) < 1)
            return refuse(conversionError(*q.maxReturned, "MaxReturned"));
        max = std::stol(std::string(m));
    }
    std::string from, to;
    if (q.fromTxnDate) {
        from = std::string(trimmedView(*q.fromTxnDate, kWhitespace));
        if (!isQbxmlDate(from)) return refuse(conversionError(*q.fromTxnDate, "FromTxnDate"));
    }
    if (q.toTxnDate) {
        to = std::string(trimmedView(*q.toTxnDate, kWhitespace));
        if (!isQbxmlDate(to)) return refuse(conversionError(*q.toTxnDate, "ToTxnDate"));
    }
    std::optional<std::time_t> fromModified, toModified;
    if (q.fromModified && !(fromModified = parseDateTime(*q.fromModified)))
        return refuse(conversionError(*q.fromModified, "FromModifiedDate"));
    if (q.toModified && !(toModified = parseDateTime(*q.toModified)))
        return refuse(conversionError(*q.toModified, "ToModifiedDate"));
    bool lines = false;
    if (q.includeLineItems) {
        std::string_view v = trimmedView(*q.includeLineItems, kWhitespace);
        if (v == "true" || v == "1")
            lines = true;
        else if (v != "false" && v != "0")
            return refuse(conversionError(*q.includeLineItems, "IncludeLineItems"));
    }

    std::vector<JournalEntry> found;
    for (auto& e : company.journal(from, to)) {
        if (!q.txnIds.empty() && std::find(q.txnIds.begin(), q.txnIds.end(), e.txnId) == q.txnIds.end())
            continue;
        if (!refMatches(q, e)) continue;
        if (fromModified && e.timeModified < *fromModified) continue;
        if (toModified && e.timeModified > *toModified) continue;
        auto anyLine = [&](auto pred) { return std::any_of(e.lines.begin(), e.lines.end(), pred); };
        if (q.entity && !anyLine([&](const JournalLine& l) {
                return l.entityId && sameQuickBooksName(l.entityName, *q.entity);
            }))
            continue;
        if (q.account &&
            !anyLine([&](const JournalLine& l) { return sameQuickBooksName(l.accountName, *q.account); }))
            continue;
        found.push_back(std::move(e));
        if (max && static_cast<long>(found.size()) >= *max) break;
    }
    if (found.empty())
        return refuse({1, "Info", "A query request did not find a matching object in QuickBooks"});
    openRs(x, "JournalEntryQuery", r, st);
    // QuickBooks keeps no memo on the entry itself: only its lines carry one.
    for (const auto& e : found) entryOut(x, e, lines, false);
    x.close("JournalEntryQueryRs");
}

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

void answerPreferencesQuery(Company& company, const Request& r, XmlOut& x, Status& st) {
    openRs(x, "PreferencesQuery", r, st);
    x.open("PreferencesRet");
    x.open("AccountingPreferences");
    x.leaf("IsUsingAccountNumbers", "true");
    x.leaf("IsRequiringAccounts", "true");
    x.leaf("IsUsingClassTracking", "false");
    x.leaf("IsUsingAuditTrail", "true");
    x.leaf("IsAssigningJournalEntryNumbers", "false");
    if (auto closing = company.closingDate()) x.leaf("ClosingDate", *closing);
    x.close("AccountingPreferences");
    x.close("PreferencesRet");
    x.close("PreferencesQueryRs");
}

// A customer or vendor query, answered as QuickBooks answers one: by ListID or FullName the
// records named, in the order asked, and 500 (Warn) naming the first one missing, the found
// ones still returned; by filter every record that passes (active ones unless ActiveStatus
// says otherwise; the simulated lists hold no inactive ones), 1 (Info) when none does.
void answerNameQuery(Company& company, const Request& r, XmlOut& x, Status& st) {
    const NameQueryRq& q = r.nameQuery;
    const bool customers = r.kind == "CustomerQuery";
    const Entity::Kind kind = customers ? Entity::Kind::Customer : Entity::Kind::Vendor;
    std::vector<Entity> listed;
    for (auto& e : company.entities())
        if (e.kind == kind) listed.push_back(std::move(e));
    std::vector<Entity> found;
    std::optional<std::string> missing;
    auto pick = [&](auto matches, const std::string& label) {
        auto it = std::find_if(listed.begin(), listed.end(), matches);
        if (it == listed.end()) {
            if (!missing) missing = label;
        } else if (std::none_of(found.begin(), found.end(),
                                [&](const Entity& f) { return f.id == it->id; })) {
            found.push_back(*it);
        }
    };
    if (!q.listIds.empty() || !q.fullNames.empty()) {
        for (const auto& id : q.listIds)
            pick([&](const Entity& e) { return e.listId == trimmedView(id, kWhitespace); }, id);
        for (const auto& name : q.fullNames)
            pick([&](const Entity& e) { return sameQuickBooksName(e.name, name); },
                 std::string(trimmedView(name, kWhitespace)));
    } else {
        std::optional<long> max;
        if (q.maxReturned) {
            std::string_view m = trimmedView(*q.maxReturned, kWhitespace);
            bool digits = !m.empty() && m.size() < 10 &&
                          std::all_of(m.begin(), m.end(), [](char c) { return c >= '0' && c <= '9'; });
            if (!digits || std::stol(std::string(m)) < 1) {
                st = conversionError(*q.maxReturned, "MaxReturned");
                openRs(x, r.kind, r, st);
                x.close(r.kind + "Rs");
                return;
            }
            max = std::stol(std::string(m));
        }
        const bool inactiveOnly = q.activeStatus && *q.activeStatus == "InactiveOnly";
        for (const auto& e : listed) {
            if (inactiveOnly) break;
            const std::string name = foldedName(e.name);
            if (q.nameMatch) {
                const std::string want = foldedName(*q.nameMatch);
                if (*q.nameMatchCriterion == "StartsWith" && !name.starts_with(want)) continue;
                if (*q.nameMatchCriterion == "EndsWith" && !name.ends_with(want)) continue;
                if (*q.nameMatchCriterion == "Contains" && name.find(want) == std::string::npos) continue;
            }
            if (q.fromName && name < foldedName(*q.fromName)) continue;
            if (q.toName && name > foldedName(*q.toName)) continue;
            found.push_back(e);
            if (max && static_cast<long>(found.size()) >= *max) break;
        }
    }
    if (missing)
        st = {500, "Warn",
              "The query request has not been fully completed. There was a required element (\"" + *missing +
                  "\") that could not be found in QuickBooks."};
    else if (found.empty())
        st = {1, "Info", "A query request did not find a matching object in QuickBooks"};
    openRs(x, r.kind, r, st);
    const char* ret = customers ? "CustomerRet" : "VendorRet";
    for (const auto& e : found) {
        x.open(ret);
        x.leaf("ListID", e.listId);
        x.leaf("TimeCreated", qbTime(e.timeCreated));
        x.leaf("TimeModified", qbTime(e.timeModified));
        x.leaf("EditSequence", std::to_string(e.editSequence));
        x.leaf("Name", e.name);
        // Vendors have no hierarchy: their records carry no FullName.
        if (customers) x.leaf("FullName", e.name);
        x.leaf("IsActive", "true");
        if (customers) x.leaf("Sublevel", "0");
        x.leaf("Balance", "0.00");
        if (customers) x.leaf("TotalBalance", "0.00");
        x.close(ret);
    }
    x.close(r.kind + "Rs");
}

}  // namespace

std::string qbTime(std::time_t t) {
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[40];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%S", &tm);
    long off = tm.tm_gmtoff;
    char sign = off < 0 ? '-' : '+';
    if (off < 0) off = -off;
    int minutes = static_cast<int>((off / 60) % (24 * 60));
    char zone[16];
    std::snprintf(zone, sizeof zone, "%c%02d:%02d", sign, minutes / 60, minutes % 60);
    return std::string(buf) + zone;
}

std::string answerRequest(Company& company, std::string_view request) {
    MessageSet set = readRequest(request);
    XmlOut x;
    x.raw("<?xml version=\"1.0\" ?>\n");
    x.open("QBXML");
    x.open("QBXMLMsgsRs");
    for (const auto& r : set.requests) {
        Status st;
        if (r.kind == "AccountQuery")
            answerAccountQuery(company, r, x, st);
        else if (r.kind == "JournalEntryQuery")
            answerJournalEntryQuery(company, r, x, st);
        else if (r.kind == "TxnDel")
            answerTxnDel(company, r, x, st);
        else if (r.kind == "PreferencesQuery")
            answerPreferencesQuery(company, r, x, st);
        else if (r.kind == "CustomerQuery" || r.kind == "VendorQuery")
            answerNameQuery(company, r, x, st);
        else
            answerJournalEntryAdd(company, r, x, st);
        if (st.severity == "Error" && set.stopOnError) break;
    }
    x.close("QBXMLMsgsRs");
    x.close("QBXML");
    return std::move(x.str());
}

}  // namespace ztl::qbsim
