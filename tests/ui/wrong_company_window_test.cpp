// The multi-store window on a store that posted into one company and now finds another open:
// one warning naming both, after the confirmation and before the window shows, and the load
// goes on; none on the store's first import, none when the same company is open again.
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <filesystem>

#include "support/demo_fixture.h"
#include "support/modal_answer.h"
#include "ui/frm_ztl_main.h"
#include "engine/company/company_memory.h"

using namespace ztl;
namespace fs = std::filesystem;

namespace {

// Loads a window on the fixture's world, answering the confirmation; returns the messages
// the load showed, and whether any was shown before the confirmation.
std::vector<MessageBox> load(test::DemoFixture& f, bool& beforeConfirmation, bool import = false) {
    const size_t before = f.prompter.shown.size();
    beforeConfirmation = false;
    ui::frmZTLMain w(f.program, f.dialogs);
    test::answerNextModal([&](QWidget* m) {
        beforeConfirmation = f.prompter.shown.size() != before;
        m->findChild<QLineEdit*>("Text1")->setText("YES");
        m->findChild<QPushButton*>("cmdOk")->click();
    });
    if (w.Load() != ms::LoadOutcome::Ready) return {MessageBox{"the load did not end ready", MsgIcon::None, MsgButtons::OK, {}}};
    if (import) w.logic().runImport();
    return {f.prompter.shown.begin() + static_cast<long>(before), f.prompter.shown.end()};
}

}  // namespace

class WrongCompanyWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void warnsOnceWhenAnotherCompanyIsOpen();
};

void WrongCompanyWindowTest::warnsOnceWhenAnotherCompanyIsOpen() {
    test::DemoFixture f(Edition::MultiStore, 2);
    f.program.resultsWindows = nullptr;
    const std::string store = "\\\\STORESRV\\CATCON\\2X390.QB";
    bool early = false;

    QVERIFY(load(f, early, true).empty());  // the first import of the store remembers, asking nothing
    QCOMPARE(lastCompanyOf(f.program, store), f.world.companyFileName);

    const fs::path other = f.world.companyFile.parent_path() / "Other Company.qbw";
    fs::copy_file(f.world.companyFile, other);
    qbsim::SimProcessorFactory otherOpen{std::optional<fs::path>(other)};
    f.program.processors = &otherOpen;
    std::vector<MessageBox> shown = load(f, early);
    QCOMPARE(shown.size(), size_t(1));
    QVERIFY(!early);
    QCOMPARE(shown[0].icon, MsgIcon::Exclamation);
    QVERIFY2(shown[0].text.find("Open in QuickBooks now:  " + other.string() + "\n") != std::string::npos,
             shown[0].text.c_str());
    QVERIFY(shown[0].text.find("Last posted into:  " + f.world.companyFileName + "\n") != std::string::npos);

    f.program.processors = &f.processors;
    QVERIFY(load(f, early).empty());  // the company it posts into again
}

QTEST_MAIN(WrongCompanyWindowTest)
#include "wrong_company_window_test.moc"
