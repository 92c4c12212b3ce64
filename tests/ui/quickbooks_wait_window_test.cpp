// The waiting window over a real Web Connector service, the Web Connector played by a
// thread: while the program's call waits, its windows repaint and the line counts the
// seconds; Cancel withdraws the queued request, which the Web Connector then never gets.
#include <QPushButton>
#include <QtTest>
#include <atomic>
#include <thread>

#include "platform/request_processor.h"
#include "platform/vb_error.h"
#include "qbwc/password_hash.h"
#include "qbwc/web_connector_processor.h"
#include "qbwc/web_connector_service.h"
#include "ui/quickbooks_wait_window.h"

using namespace ztl;
using namespace std::chrono_literals;

namespace {

// A main window that counts its paint events.
class CountingWidget : public QWidget {
  public:
    std::atomic<int> paints{0};

  protected:
    void paintEvent(QPaintEvent*) override { ++paints; }
};

}  // namespace

class QuickBooksWaitWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void repaintsWhileWaitingAndCancelWithdrawsTheQueuedRequest();
};

void QuickBooksWaitWindowTest::repaintsWhileWaitingAndCancelWithdrawsTheQueuedRequest() {
    qbwc::ServiceTimings t;
    t.timeout = 20s;
    t.hold = 100ms;
    t.linger = 100ms;
    auto shared = std::make_shared<qbwc::WebConnectorService>(
        qbwc::Credentials{"clerk", qbwc::hashPassword("pw", 1000)}, t);
    qbwc::WebConnectorService& service = *shared;

    // The Web Connector: a session once a connection wants one, then it keeps asking.
    std::atomic<bool> playing{true};
    std::atomic<int> handedOut{0};
    std::thread webConnector([&] {
        std::string ticket;
        while (playing && ticket.empty()) {
            auto a = service.authenticate("clerk", "pw", "127.0.0.1").strings;
            if (a.at(1).empty())
                ticket = a[0];
            else
                std::this_thread::sleep_for(10ms);
        }
        while (playing) {
            try {
                if (!service.sendRequestXML(ticket, "C:\\Books\\Shop.QBW").empty())
                    ++handedOut;
                else
                    std::this_thread::sleep_for(20ms);
            } catch (const std::exception&) {
                return;
            }
        }
    });

    CountingWidget main;
    main.resize(200, 100);
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    ui::QuickBooksWaitWindow wait;
    // The program's processor, as the engine holds it.
    qbwc::WebConnectorProcessor qb(shared, "", &wait);
    qb.OpenConnection("", "Korvane Zentrel   ");
    std::string session = qb.BeginSession("", kOpenModeDoNotCare);
    QCOMPARE(QString::fromStdString(qb.GetCurrentCompanyFileName(session)), QString("C:\\Books\\Shop.QBW"));
    // Hold the Web Connector off: the request stays queued while it is busy elsewhere.
    playing = false;
    webConnector.join();

    int paintsBefore = main.paints;
    QString seen;
    // The operator, from the window's own event loop: asks for a repaint, reads the line,
    // then presses Cancel after a second or so.
    QTimer operatorTimer;
    int ticks = 0;
    connect(&operatorTimer, &QTimer::timeout, [&] {
        main.update();
        if (wait.isVisible()) seen = wait.text();
        if (++ticks == 12 && wait.isVisible()) QTest::mouseClick(wait.cancelButton(), Qt::LeftButton);
    });
    operatorTimer.start(100);
    long number = 0;
    std::string description;
    try {
        qb.ProcessRequest(session, "<QBXML>entry</QBXML>");
    } catch (const VbError& e) {
        number = e.number;
        description = e.description;
    }
    operatorTimer.stop();
    QCOMPARE(number, hresult::kCouldNotStart);
    QVERIFY2(description.find("cancelled; nothing was sent") != std::string::npos, description.c_str());
    QVERIFY2(main.paints > paintsBefore + 3, "the main window repainted while the call waited");
    QVERIFY2(seen.startsWith("Waiting for the Web Connector to take the request ... 1 s"), qPrintable(seen));
    QVERIFY(!wait.isVisible());

    // The withdrawn request is gone: a Web Connector coming now gets nothing to send.
    auto again = service.authenticate("clerk", "pw", "127.0.0.1").strings;
    std::string ticket = again.at(1).empty() ? again[0] : std::string();
    if (!ticket.empty())
        QCOMPARE(QString::fromStdString(service.sendRequestXML(ticket, "C:\\Books\\Shop.QBW")), QString());
    QCOMPARE(handedOut.load(), 0);
    qb.EndSession(session);
    qb.CloseConnection();

    // A refused password: the reason reaches the operator, not only the engine's number.
    RecordingPrompter prompter;
    wait.setPrompter(&prompter);
    auto fresh = std::make_shared<qbwc::WebConnectorService>(
        qbwc::Credentials{"clerk", qbwc::hashPassword("pw", 1000)}, t);
    std::thread guesser([&] {
        std::this_thread::sleep_for(200ms);
        fresh->authenticate("clerk", "guess", "127.0.0.1");
    });
    qbwc::WebConnectorProcessor refused(fresh, "", &wait);
    bool threw = false;
    // While it waits for the call, the window says how long it waits and what to click.
    QString calling;
    QTimer reader;
    connect(&reader, &QTimer::timeout, [&] {
        if (wait.isVisible()) calling = wait.text();
    });
    reader.start(20);
    try {
        refused.OpenConnection("", "Korvane Zentrel   ");
    } catch (const VbError& e) {
        threw = e.number == hresult::kCouldNotStart;
    }
    reader.stop();
    guesser.join();
    QVERIFY(threw);
    QVERIFY2(calling.startsWith("Waiting for the Web Connector to call ... 0 s\n\nZentrel waits up to 20 s. On "
                                "the bookkeeper's PC, in the QuickBooks Web Connector: tick Korvane Zentrel "
                                "and click Update Selected"),
             qPrintable(calling));
    QCOMPARE(prompter.shown.size(), size_t(1));
    QVERIFY2(prompter.shown[0].text.find("password is not the one set with `ztl qbwc set-password`") !=
                 std::string::npos,
             prompter.shown[0].text.c_str());
    QVERIFY(!wait.isVisible());
}

QTEST_MAIN(QuickBooksWaitWindowTest)
#include "quickbooks_wait_window_test.moc"
