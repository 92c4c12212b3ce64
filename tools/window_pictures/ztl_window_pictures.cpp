// ztl_window_pictures FOLDER: pictures of both programs' windows on the demo world the
// environment names (ZENTREL_SHARES, TMPDIR, ZENTREL_QUICKBOOKS, XDG_CONFIG_HOME), for a
// machine without a desktop. ZentrelMS: the splash, the confirmation, the main window with
// its grids filled, the quick reference, the results window of a real import and the main
// window after it and after its undo. Zentrel: its main window before and after its own import. Each is a PNG
// file in FOLDER. Message boxes go to standard error and are answered OK; the printout a
// refused entry demands goes to FOLDER/import-log.pdf.
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <filesystem>
#include <iostream>

#include "platform/paths.h"
#include "single/frm_ztl_main.h"
#include "ui/frm_help.h"
#include "ui/frm_splash.h"
#include "ui/frm_ztl_main.h"
#include "ui/window_program.h"

using namespace ztl;

namespace {

struct StderrPrompter : Prompter {
    MsgResult show(const MessageBox& box) override {
        std::cerr << "[" << box.title << "] " << box.text << "\n\n";
        return defaultAnswer(box.buttons);
    }
};

// The print dialog answered with a PDF file; file dialogs cancelled.
struct PdfDialogs : ui::StandardDialogs {
    QString pdf;
    bool choosePrinter(QPrinter& printer, QWidget*) override {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        return true;
    }
    std::optional<QString> chooseSaveFile(const ui::FileDialogRequest&, QWidget*) override {
        return std::nullopt;
    }
    std::optional<QString> chooseOpenFile(const ui::FileDialogRequest&, QWidget*) override {
        return std::nullopt;
    }
};

std::filesystem::path out;

void save(QWidget& w, const char* name) {
    QApplication::processEvents();
    QString file = QString::fromStdString((out / name).string());
    if (w.grab().save(file))
        std::cout << file.toStdString() << "\n";
    else
        std::cerr << "ztl_window_pictures: cannot write " << file.toStdString() << "\n";
}

// Acts on the next modal window once `ready` says it has settled.
void onNextModal(std::function<bool(QWidget*)> ready, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [=] {
        QWidget* m = QApplication::activeModalWidget();
        if (m && m->isVisible() && ready(m)) {
            timer->deleteLater();
            timer->stop();
            act(m);
        } else if (clock->elapsed() > 30000) {
            std::cerr << "ztl_window_pictures: no window came\n";
            QApplication::exit(1);
            std::exit(1);
        }
    });
    timer->start(20);
}

// Pictures the results window about to open as `name`, once its activation is over, and
// closes it.
void closeResultsWhenDone(std::string name) {
    onNextModal(
        [](QWidget* w) {
            auto* exit = w->findChild<QPushButton*>("cmdExit");
            return exit && exit->isEnabled();
        },
        [name](QWidget* w) {
            save(*w, name.c_str());
            w->findChild<QPushButton*>("cmdExit")->click();
        });
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: ztl_window_pictures FOLDER\n";
        return 2;
    }
    out = argv[1];
    std::filesystem::create_directories(out);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);

    StderrPrompter prompter;
    PdfDialogs dialogs;
    dialogs.pdf = QString::fromStdString((out / "import-log.pdf").string());
    Program program(Edition::MultiStore);
    ui::ProgramServices services(program, &prompter, &dialogs);

    ui::frmSplash splash("Multi Store");
    program.splash = &splash;
    splash.show();
    save(splash, "splash.png");

    ui::frmZTLMain main(program, dialogs);
    program.mainWindow = &main;
    onNextModal([](QWidget*) { return true; },
                [](QWidget* w) {
                    w->findChild<QLineEdit*>("Text1")->setText("YES");
                    save(*w, "confirmation.png");
                    w->findChild<QPushButton*>("cmdOk")->click();
                });
    ms::LoadOutcome outcome = main.Load();
    program.splash = nullptr;
    splash.close();
    if (outcome == ms::LoadOutcome::EndProgram) {
        std::cerr << "ztl_window_pictures: the program ended during its load (see the messages above)\n";
        return 1;
    }
    main.resize(1024, 768);
    main.show();
    save(main, "main-window.png");
    // The cursor on the first marked transaction: its reason below the grid.
    if (auto* grid = main.findChild<QTableWidget*>("grdX390")) {
        for (int row = 0; row < grid->rowCount(); ++row) {
            QTableWidgetItem* mark = grid->verticalHeaderItem(row);
            if (!mark || mark->text().isEmpty()) continue;
            grid->setCurrentCell(row, 0);
            grid->scrollToItem(grid->item(row, 0));
            save(main, "main-window-marks.png");
            break;
        }
    }

    ui::frmHelp help(paths::dataFolderHolding(ui::frmHelp::kFileName), &main);
    help.show();
    save(help, "quick-reference.png");
    help.close();

    closeResultsWhenDone("results.png");
    main.findChild<QPushButton*>("cmdImport")->click();
    save(main, "main-window-after-import.png");
    // The import undone (YES typed): the window says what it posted is out of QuickBooks and offers
    // Import again.
    closeResultsWhenDone("undo-results.png");
    main.logic().undoImport([](const std::string&) { return std::optional<std::string>("YES"); });
    save(main, "main-window-after-undo.png");
    main.close();

    Program single(Edition::SingleStore);
    ui::ProgramServices singleServices(single, &prompter, &dialogs);
    single.operationLogPath = paths::stateFolder() / "ztloperation.log";
    single::frmZTLMain singleMain(single, dialogs);
    single.mainWindow = &singleMain;
    if (singleMain.Load() == single::LoadOutcome::EndProgram) {
        std::cerr << "ztl_window_pictures: Zentrel ended during its load (see the messages above)\n";
        return 1;
    }
    singleMain.resize(1024, 768);
    singleMain.show();
    save(singleMain, "single-store-window.png");
    closeResultsWhenDone("single-store-results.png");
    singleMain.findChild<QPushButton*>("cmdImport")->click();
    save(singleMain, "single-store-window-after-import.png");
    return 0;
}
