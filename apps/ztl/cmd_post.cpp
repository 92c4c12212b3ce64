// ztl post [--single-store] [--first-run] [--only-if-clean] [--past-held] [--store NAME] FILE:
// one unattended run for one store's totals file, as the systemd timer starts it after hours;
// ztl post show / ztl post set KEY VALUE: its settings; ztl post test-mail: one message
// through the mail command. It never opens a window and never
// waits for a key: what it did goes to the journal (one line on standard error), to the
// operation log and, when the bookkeeper is needed, in a message through MailCommand (kept in
// the state folder's "unsent-mail" when the command cannot take it); every run is recorded in
// the store's run history for the bookkeeper's console.
// Exit status 0: everything posted; 1: the bookkeeper is needed; 2: nothing could be done.
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>

#include "command.h"
#include "console.h"
#include "engine/company/file_names.h"
#include "engine/company/operation_log.h"
#include "engine/company/operation_log_entries.h"
#include "engine/company/settings_keys.h"
#include "engine/unattended/journal_line.h"
#include "engine/unattended/post_mail.h"
#include "engine/unattended/run_history.h"
#include "engine/unattended/send_mail.h"
#include "engine/unattended/unsent_mail.h"
#include "engine/unattended/unattended_post.h"
#include "platform/computer_name.h"
#include "platform/paths.h"
#include "platform/quickbooks_wait.h"
#include "platform/vb_error.h"
#include "qbwc/bridge_settings.h"
#include "quickbooks/quickbooks_from_environment.h"
#include "ui/qsettings_store.h"

namespace ztl::cli {
namespace {

// The operator's settings, with the Web Connector's wait stretched to the deadline: a run
// after hours waits for the bookkeeper's PC to call until the next morning, not two minutes.
class DeadlineSettings : public SettingsStore {
  public:
    DeadlineSettings(const SettingsStore& base, std::chrono::seconds wait) : base_(base), wait_(wait) {}
    std::string get(const std::string& app, const std::string& section, const std::string& key,
                    const std::string& def) const override {
        if (app == kSettingsApp && section == qbwc::kBridgeSection && key == qbwc::key::kTimeoutSeconds)
            return std::to_string(std::min<long long>(wait_.count(), 86400));
        return base_.get(app, section, key, def);
    }
    void set(const std::string&, const std::string&, const std::string&, const std::string&) override {}

  private:
    const SettingsStore& base_;
    std::chrono::seconds wait_;
};

// Nobody watches the wait: nothing is written while it lasts (the journal would fill with
// it); why connecting failed is kept for the message.
class QuietWait : public QuickBooksWait {
  public:
    bool waiting(const std::string&, std::chrono::milliseconds) override { return true; }
    void done() override {}
    void failed(const std::string& why) override { reasons.push_back(why); }
    std::vector<std::string> reasons;
};

const char* const kPostKeys[] = {key::kMailCommand,  key::kMailTo,        key::kMailFrom,
                                 key::kMailEveryRun, key::kPostTime,      key::kPostDeadline,
                                 key::kSettleSeconds, key::kPostPastHeld};

int postSettings(const std::vector<std::string>& args) {
    QSettingsStore store;
    if (args.size() == 1 && args[0] == "show") {
        PostSettings s = readPostSettings(store);
        std::cout << "MailCommand=" << s.mailCommand << "\nMailTo=" << s.mailTo << "\nMailFrom=" << s.mailFrom
                  << "\nMailEveryRun=" << (s.mailEveryRun ? "yes" : "no") << "\nPostTime=" << s.postTime
                  << "\nPostDeadline=" << s.deadline << "\nSettleSeconds=" << s.settleSeconds
                  << "\nPostPastHeld=" << (s.postPastHeld ? "yes" : "no") << "\n";
        return 0;
    }
    if (args.size() != 3 || args[0] != "set") return usageError("post", "show, or set KEY VALUE, expected");
    if (std::find(std::begin(kPostKeys), std::end(kPostKeys), args[1]) == std::end(kPostKeys))
        return usageError("post", "unknown setting '" + args[1] +
                                      "' (MailCommand, MailTo, MailFrom, MailEveryRun, PostTime, PostDeadline, SettleSeconds, "
                                      "PostPastHeld)");
    if (std::optional<std::string> refusal = postSettingRefusal(args[1], args[2])) {
        std::cerr << "ztl: " << *refusal << "\n";
        return 2;
    }
    store.set(kSettingsApp, kPostSection, args[1], args[2]);
    return 0;
}

// Why the message cannot go to the mail command as the settings stand; nothing when it can.
std::optional<std::string> mailSettingsRefusal(const PostSettings& post) {
    if (post.mailTo.empty()) return "the setting MailTo names nobody (ztl post set MailTo ADDRESS)";
    // A setting stored before settings were checked could write a header of its own.
    std::optional<std::string> bad = postSettingRefusal(key::kMailTo, post.mailTo);
    if (!bad) bad = postSettingRefusal(key::kMailFrom, post.mailFrom);
    if (bad) return *bad + " (ztl post set sets it again)";
    return std::nullopt;
}

std::string messageText(const MailMessage& mail) {
    // "=_" occurs in neither quoted-printable nor base64 text: the boundary cannot clash.
    const std::string boundary = "=_zentrel_" + std::to_string(::getpid()) + "_" + std::to_string(std::time(nullptr));
    return mailText(mail, mailDateNow(), boundary);
}

// ztl post test-mail: one message through the mail command as a run would send it, so that
// whoever sets the mail up sees at once whether the bookkeeper's messages can leave.
int testMail() {
    const PostSettings post = readPostSettings(QSettingsStore());
    if (std::optional<std::string> refusal = mailSettingsRefusal(post)) {
        std::cerr << "ztl: no test message was sent: " << *refusal << "\n";
        return 1;
    }
    SystemClock clock;
    const LocalDateTime now = clock.now();
    MailMessage mail;
    mail.from = post.mailFrom;
    mail.to = mailAddresses(post.mailTo);
    mail.subject = "Zentrel test message from " + computerName();
    mail.text = "This message was sent by ztl post test-mail on " + computerName() + " on " + clock.shortDate(now) +
                " at " + clock.timeText(now) + ".\nThe unattended run's messages to the bookkeeper reach these "
                "addresses the same way.\n";
    if (std::optional<std::string> failure = sendMail(post.mailCommand, messageText(mail))) {
        std::cerr << "ztl: the test message could not be handed over: " << *failure << "\n";
        return 1;
    }
    std::cout << "The test message was handed to the mail command \"" << post.mailCommand << "\" for "
              << post.mailTo << ".\nIf it does not arrive, the machine's mail system kept it back: its log tells "
                 "why (journalctl, or /var/log/mail.log).\n";
    return 0;
}

// The timer's time from PostTime: a drop-in beside the shipped unit, which systemd reads
// over it; the unit itself stays as the package installed it.
int writeTimer() {
    PostSettings s = readPostSettings(QSettingsStore());
    const char* config = std::getenv("XDG_CONFIG_HOME");
    const char* home = std::getenv("HOME");
    std::filesystem::path base = config && *config ? std::filesystem::path(config)
                                                    : std::filesystem::path(home ? home : ".") / ".config";
    std::filesystem::path folder = base / "systemd/user/zentrel-post@.timer.d";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    std::ofstream out(folder / "post-time.conf", std::ios::trunc);
    out << "# Written by ztl post timer from the setting PostTime.\n[Timer]\nOnCalendar=\nOnCalendar=*-*-* "
        << s.postTime << ":00\n";
    out.close();
    if (!out) {
        std::cerr << "ztl: " << (folder / "post-time.conf").string() << " could not be written\n";
        return 1;
    }
    std::cout << (folder / "post-time.conf").string() << ": daily at " << s.postTime
              << "\nsystemctl --user daemon-reload takes it.\n";
    return 0;
}

int post(const std::vector<std::string>& argv) {
    std::vector<std::string> args = argv;
    if (!args.empty() && (args[0] == "show" || args[0] == "set")) return postSettings(args);
    if (args.size() == 1 && args[0] == "timer") return writeTimer();
    if (args.size() == 1 && args[0] == "test-mail") return testMail();
    PostOptions options;
    bool single = takeFlag(args, "--single-store");
    options.firstRun = takeFlag(args, "--first-run");
    options.onlyIfClean = takeFlag(args, "--only-if-clean");
    const bool pastHeld = takeFlag(args, "--past-held");
    bool missing = false;
    options.store = takeOption(args, "--store", missing);
    if (missing) return usageError("post", "--store needs a name");
    // The name goes into the journal, the operation log and the message's subject: one line.
    if (holdsControlCharacter(options.store))
        return usageError("post", "--store may not hold a line break or another control character");
    if (args.size() != 1 || args[0].starts_with("--")) return usageError("post", "one totals file expected");

    ConsoleProgram console(single ? Edition::SingleStore : Edition::MultiStore);
    Program& p = console.program;
    QSettingsStore settings;
    const PostSettings post = readPostSettings(settings);
    DeadlineSettings withDeadline(settings, untilDeadline(console.clock.now(), post.deadline));
    QuietWait wait;
    auto factory = processorFactoryFromEnvironment(withDeadline, &wait);
    options.webConnector = quickBooksSetting(settings).starts_with("qbwc:");
    options.settleSeconds = post.settleSeconds;
    options.pastHeld = pastHeld || post.postPastHeld;
    p.settings = &settings;
    p.processors = factory.get();
    p.operationLogPath = paths::stateFolder() / kOperationLogName;

    const auto started = std::chrono::system_clock::now();
    const StoreOfRuns storeOfRuns{args[0], std::filesystem::absolute(paths::map(args[0])).string(),
                                  options.store.empty() ? storeLabel(args[0]) : options.store};
    // The run is on record before it touches a day: one killed on the way (a timer's time
    // limit, the machine switched off) is still seen by the bookkeeper, as a run that never
    // ended. Whether this first line could be written matters only if the last one cannot.
    std::string runId;
    try {
        RunEntry begun;
        begun.start = recordTime(started);
        runId = addRun(runsFolder(), storeOfRuns, std::move(begun));
    } catch (const std::exception&) {
    }
    PostReport report = postUnattended(p, args[0], options);
    for (const auto& why : wait.reasons) report.messages.push_back(why);

    const std::string headline = report.headline();
    const JournalPriority priority = report.status == PostReport::Status::AllPosted       ? JournalPriority::Info
                                     : report.status == PostReport::Status::NeedsBookkeeper ? JournalPriority::Warning
                                                                                            : JournalPriority::Error;
    std::cerr << journalLine(priority, headline) << std::endl;
    appendOperationLog(p.operationLogPath, operationLogEntry(console.clock, "ztl post " + args[0] + ": " + headline));

    RunEntry record = runEntryOf(report);
    record.mail = "not wanted";
    if (mailWanted(report, post)) {
        record.mail = "sent";
        MailMessage mail = postMail(report, post);
        std::optional<std::string> failure;
        if (post.mailTo.empty()) {
            failure = "no message was sent: the setting MailTo names nobody (ztl post set MailTo ADDRESS)";
        } else if (std::optional<std::string> refusal = mailSettingsRefusal(post)) {
            failure = "no message was sent: " + *refusal;
            // The copy kept below carries no header the refused setting would write.
            mail.to.clear();
            mail.from.clear();
        } else {
            failure = sendMail(post.mailCommand, messageText(mail));
        }
        // A message that could not be handed over is kept whole, for whoever reads the log.
        if (failure && !post.mailTo.empty()) {
            try {
                const std::filesystem::path kept =
                    keepUnsentMail(paths::stateFolder(), report.store, console.clock.now(), messageText(mail));
                *failure += "; the message is kept as " + kept.string();
                record.unsentMail = kept.filename().string();
            } catch (const std::exception& ex) {
                *failure += "; the message could not be kept either (" + toVbError(ex).description + ")";
            }
        }
        if (failure) {
            record.mail = "not handed over";
            std::cerr << journalLine(JournalPriority::Error, "ztl post " + args[0] + ": " + *failure) << std::endl;
            appendOperationLog(p.operationLogPath, errorEntry(console.clock, "ztl post " + args[0] + ": " + *failure));
        }
    }

    // The run is done whatever its record becomes: a history that cannot be written is said,
    // and the run's status stays the run's.
    record.start = recordTime(started);
    record.end = recordTime(std::chrono::system_clock::now());
    record.exitStatus = static_cast<int>(report.status);
    record.id = runId;
    try {
        addRun(runsFolder(), {storeOfRuns.totalsFile, storeOfRuns.localFile, report.store}, std::move(record));
    } catch (const std::exception& ex) {
        const std::string said = "ztl post " + args[0] + ": the run's record for the console could not be kept: " +
                                 ex.what();
        std::cerr << journalLine(JournalPriority::Error, said) << std::endl;
        appendOperationLog(p.operationLogPath, errorEntry(console.clock, said));
    }
    return static_cast<int>(report.status);
}

ZtlCommand reg("post", &post);

}  // namespace
}  // namespace ztl::cli
