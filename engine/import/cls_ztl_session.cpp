// clsZTL: the QuickBooks session, the chart of accounts and the journal-entry answers.
#include "engine/import/cls_ztl.h"
#include "engine/posting/entity_rule.h"
#include "engine/company/import_log.h"
#include "platform/error_report.h"
#include "platform/text_file.h"
#include "platform/windows1252.h"
#include "qbxml/answer_document.h"

namespace ztl {

void clsZTL::SendRequest() {
    cZTLError = false;
    handedOver_ = false;
    sendFailure_.clear();
    std::string sessionTicket;  // set once this call has a session open
    try {
        if (!program_.requestProcessor) throw vbError(vb::kObjectNotSet);
        ticket_ = program_.requestProcessor->BeginSession(QBCompany, kOpenModeDoNotCare);
        sessionTicket = ticket_;
        // QuickBooks reads Unicode: the single-byte request goes out as UTF-8. The answer is
        // kept as received; its readers turn the texts they take from it into single-byte
        // text after parsing, so that a character reference arrives as one character.
        const std::string utf8 = windows1252ToUtf8(requestText);
        handedOver_ = true;
        responseText = program_.requestProcessor->ProcessRequest(ticket_, utf8);
        program_.requestProcessor->EndSession(ticket_);
    } catch (const std::exception& ex) {
        VbError e = toVbError(ex);
        sendFailure_ = e.description;
        // QuickBooks refusing to read the request is an answer: nothing of it was posted.
        if (e.number == hresult::kParseError) handedOver_ = false;
        // The connection closes below; a run goes on only over a new one, asking first.
        if (handedOver_) askAgainBeforeNext_ = true;
        // Recovery: end the session this call began, then close the connection. A session
        // that never began is not ended: that could only fail and hide the real cause.
        // A failure of the recovery itself goes to the caller's own error report.
        if (program_.requestProcessor) {
            if (!sessionTicket.empty()) program_.requestProcessor->EndSession(sessionTicket);
            program_.requestProcessor->CloseConnection();
        }
        cZTLError = true;
        std::string tail = "\n";
        if (e.number == hresult::kParseError)
            tail += "There is a problem with the source file X390.QB. \nImport aborted... call -Korvane !.";
        else if (e.number == hresult::kCompanyNotOpen)
            tail +=
                "Change the open QB company or change the import target company. \n"
                "Make the necessary changes, click Cancel, then re-start the program.";
        reportAndLogModuleError("Error in module clsZTL.SendRequest ", e, tail, "\r\ntarget=" + QBCompany);
    }
}

void clsZTL::LoadQbCoa() {
    std::unique_ptr<TextWriter> copy;
    try {
        if (program_.edition == Edition::SingleStore && program_.splash) {
            program_.splash->setProgressCaption("Loading QB chart of accounts...");
            program_.splash->repaintProgress();
        }
        copy = std::make_unique<TextWriter>(program_.installFolder / "xmlresult.xml");
        BuildCOARequest();
        SendRequest();
        if (!cZTLError) {
            copy->write(responseText);
            copy->close();
            GetCOAResults(responseText);
        } else {
            copy->close();
        }
    } catch (const std::exception& ex) {
        reportAndLogModuleError("Error in module clsZTL.LoadQbCoa ", toVbError(ex));
        try {
            if (copy) copy->close();
        } catch (...) {
        }
        cZTLError = true;
    }
}

void clsZTL::GetCOAResults(const std::string& response) {
    try {
        // The run reloads the chart before every transaction; an answer identical to the one
        // before adds nothing to the chart (CompanyChart::add), so it need not be read again.
        if (!lastCoaResponse_.empty() && response == lastCoaResponse_) return;
        ChartReading reading = readChart(response);
        if (!reading.chart) {
            reportAndLog("loadXML failed, reason: " + reading.unreadable, MsgIcon::Exclamation, "Error");
            return;
        }
        chart_.add(*reading.chart);
        lastCoaResponse_ = response;
        ++chartLoads_;
    } catch (const std::exception& ex) {
        reportAndLogModuleError("Error in module clsZTL.GetCOAResults ", toVbError(ex));
    }
}

void clsZTL::GetImportResults(const std::string& response) {
    try {
        ImportSuccess = false;
        pugi::xml_document doc;
        std::string reason;
        if (!qbxml::load(doc, response, reason)) {
            recordNotSent("loadXML failed, reason: " + reason, TransactionRecord::Outcome::NoAnswer);
            reportAndLog("loadXML failed, reason: " + reason, MsgIcon::Exclamation, "Error");
            return;
        }
        auto results = qbxml::elementsByTagName(doc, "JournalEntryAddRs");
        if (results.empty()) throw vbError(vb::kObjectNotSet);
        auto attribute = [&](const char* name) {
            return utf8ToWindows1252(results[0].attribute(name).value());
        };
        std::string code = attribute("statusCode");
        std::string severity = attribute("statusSeverity");
        std::string message = attribute("statusMessage");

        TextWriter* log = program_.importLog;
        if (!log) throw vbError(vb::kBadFileNameOrNumber);
        const int number = transactionNumber++;
        if (message == "Status OK") ImportSuccess = true;
        if (severity == "Error") {
            ImportSuccess = false;
            program_.ImportErrorFlag = true;
        }
        std::string txnId;
        for (const auto& rs : results)
            for (pugi::xml_node ret = rs.first_child(); ret; ret = ret.next_sibling())
                if (std::string_view(ret.name()) == "JournalEntryRet")
                    for (pugi::xml_node c = ret.first_child(); c; c = c.next_sibling())
                        if (std::string_view(c.name()) == "TxnID")
                            txnId = utf8ToWindows1252(qbxml::textOf(c));
        const std::vector<std::string> block =
            importlog::answerBlock(number, referenceNumber, pendingNotes_, code, severity, message, txnId);
        pendingNotes_.clear();
        if (current_) {
            current_->logNumber = number;
            current_->statusCode = code;
            current_->statusSeverity = severity;
            current_->statusMessage = message;
            current_->txnId = txnId;
            current_->outcome = answerOutcome(severity, txnId);
        }
        importlog::writeBlock(*log, block, number, referenceNumber);
    } catch (const importlog::WriteError&) {
        throw;
    } catch (const std::exception& ex) {
        recordNotSent(toVbError(ex).description, TransactionRecord::Outcome::NoAnswer);
        reportAndLog(toVbError(ex).description, MsgIcon::Exclamation, "Error");
    }
}

}  // namespace ztl
