#include "engine/unattended/post_mail.h"

#include "engine/import/run_summary.h"

namespace ztl {
namespace {

void outcomeLines(std::string& text, const RunRecord& run, RunRecord::Outcome outcome, const std::string& title) {
    int n = run.count(outcome);
    text += "  " + title + " : " + std::to_string(n) + "\n";
    if (outcome == RunRecord::Outcome::Posted || outcome == RunRecord::Outcome::AlreadyThere) return;
    for (const auto& t : run.transactions) {
        if (t.outcome != outcome) continue;
        std::string why = t.statusMessage.empty() ? t.reason : t.statusMessage;
        if (!t.statusCode.empty()) why = "QuickBooks error " + t.statusCode + ": " + why;
        text += "    " + t.referenceNumber + (why.empty() ? "" : " - " + why) + "\n";
    }
}

}  // namespace

bool mailWanted(const PostReport& report, const PostSettings& settings) {
    if (report.lockHeld) return false;
    return report.status != PostReport::Status::AllPosted || settings.mailEveryRun;
}

MailMessage postMail(const PostReport& report, const PostSettings& settings) {
    MailMessage mail;
    mail.from = settings.mailFrom;
    mail.to = mailAddresses(settings.mailTo);
    mail.subject = report.headline();

    std::string& text = mail.text;
    switch (report.status) {
        case PostReport::Status::AllPosted:
            // A run that found nothing to post says why (the day was imported by hand).
            text += report.days.empty() && !report.reason.empty() ? "Nothing to post: " + report.reason + ".\n"
                                                                  : "Every transaction is in QuickBooks.\n";
            break;
        case PostReport::Status::NeedsBookkeeper:
            text += "Not every transaction is in QuickBooks: the bookkeeper is needed.\n";
            break;
        case PostReport::Status::NothingDone:
            text += "Nothing could be posted: " + report.reason + ".\n";
            break;
    }
    for (const auto& day : report.days) {
        text += "\n" + report.store + ", " + day.dateText + (day.wasPending ? " (pending from an earlier run)" : "") +
                "\n";
        text += "  File : " + day.source + "\n";
        if (day.run) {
            const RunRecord& run = *day.run;
            if (!run.companyFile.empty()) text += "  Company : " + run.companyFile + "\n";
            outcomeLines(text, run, RunRecord::Outcome::Posted, "Posted");
            outcomeLines(text, run, RunRecord::Outcome::Refused, "Refused");
            outcomeLines(text, run, RunRecord::Outcome::AlreadyThere, "Already in QuickBooks");
            outcomeLines(text, run, RunRecord::Outcome::NoAnswer, "Sent without an answer");
            outcomeLines(text, run, RunRecord::Outcome::NotSent, "Not sent");
            if (run.stoppedUnasked)
                text += "  Nothing was posted: QuickBooks could not be asked which transactions it already holds.\n";
        } else if (!day.notPostedBecause.empty()) {
            text += "  Nothing posted: " + day.notPostedBecause + ".\n";
        }
        if (!day.flagged.empty()) {
            text += "  The check before posting flagged:\n";
            for (const auto& f : day.flagged) text += "    " + f + "\n";
        }
        if (!day.fate.empty()) text += "  The day: " + day.fate + ".\n";
        if (!day.logName.empty()) text += "  Import log : " + day.logName + " (attached)\n";
    }
    text += "\nPending days: ";
    if (report.pending.empty()) {
        text += "none\n";
    } else {
        text += std::to_string(report.pending.size()) + "\n";
        for (const auto& p : report.pending) text += "  " + p + "\n";
    }
    if (!report.nextSteps.empty()) {
        text += "\nWhat to do next:\n";
        for (const auto& s : report.nextSteps) text += "- " + s + "\n";
    }
    if (!report.messages.empty()) {
        text += "\nWhat the run would have shown in a window:\n";
        for (const auto& m : report.messages) {
            std::string indented = "  ";
            for (char c : m) indented += c == '\n' ? std::string("\n  ") : std::string(1, c);
            text += indented + "\n";
        }
    }
    for (const auto& day : report.days)
        if (!day.logName.empty()) mail.attachments.push_back({day.logName, day.logBytes});
    return mail;
}

}  // namespace ztl
