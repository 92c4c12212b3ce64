// The readers of QuickBooks' answers: any bytes as an account query answer, as a journal
// entry answer, as the answer to the question which entries QuickBooks holds already, and
// as the answers about customers and vendors, the closing date and a delete. An answer that
// is not well-formed is refused; one that is is read; nothing else may happen to the engine.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/import/cls_ztl.h"
#include "engine/posting/posted_entries.h"
#include "platform/text_file.h"
#include "qbxml/answer_error.h"
#include "qbxml/name_answer.h"
#include "qbxml/undo_answers.h"
#include "qbxml/well_formed.h"

namespace {

ztl::Program& program() {
    static ztl::Program p;
    return p;
}

// The import log the journal entry answers are written to; the device swallows it.
ztl::TextWriter& log() {
    static ztl::TextWriter w("/dev/null", ztl::TextWriter::Mode::Append);
    return w;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string answer(reinterpret_cast<const char*>(data), size);
    (void)ztl::qbxml::wellFormednessError(answer);

    ztl::Program& p = program();
    p.importLog = &log();
    ztl::clsZTL z(p);
    z.GetCOAResults(answer);
    for (const auto& account : z.qbCoa()) (void)z.GetEntAcct(account.substr(0, account.find(',')));
    z.referenceNumber = "004711";
    z.GetImportResults(answer);
    p.importLog = nullptr;

    try {
        ztl::PostedEntries posted(ztl::readJournalEntryQuery(answer).entries,
                                  ztl::CompanyChart::fromAnswer(answer));
        for (const auto& e : posted.entries()) {
            ztl::StoreTransaction t{e.refNumber, e.txnDate, e.lines};
            (void)posted.claim(t);
        }
    } catch (const ztl::VbError&) {
        // not an answer: refused, as the run refuses it
    }
    try {
        (void)ztl::readEntityQuery(answer).find("Walk-in Customer");
    } catch (const ztl::qbxml::AnswerError&) {
    }
    try {
        (void)ztl::closingDateOf(answer);
    } catch (const ztl::qbxml::AnswerError&) {
    }
    try {
        (void)ztl::readDeleteAnswer(answer).removed();
    } catch (const ztl::qbxml::AnswerError&) {
    }
    return 0;
}
