#pragma once
// The controls both editions' main windows share, and the part of the window logic's view
// they stand for: the two grids with their headings, the company field, the three account
// fields, Import and Cancel, the status labels `Label5` and `Label9` and the progress bar
// `pb1` the import run drives. `View` is the edition's view interface; each edition's
// window adds its own controls and its layout.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QVBoxLayout>
#include <QtMath>

#include "ui/account_names_recheck.h"
#include "ui/check_marks_panel.h"
#include "ui/main_window_widgets.h"
#include "ui/single_byte_text.h"

namespace ztl::ui {

template <class View>
class MainWindowFrame : public QMainWindow, public View {
  public:
    explicit MainWindowFrame(QWidget* parent = nullptr) : QMainWindow(parent) {
        central_ = new QWidget(this);
        setCentralWidget(central_);
        grdX390 = new TotalsGridWidget("grdX390", "Korvane totals to import", central_);
        grdX390->setToolTip("These are totals from the last Korvane ENDDAY run");
        Label3 = new QLabel("Korvane totals to import", central_);
        Label3->setObjectName("Label3");
        checkMarks = new CheckMarksPanel(grdX390, central_);
        grdCoa = new TotalsGridWidget("grdCoa", "QuickBooks Account List", central_);
        grdCoa->setToolTip("QuickBooks Accounts from the target Company");
        Label4 = new QLabel("QuickBooks Account List", central_);
        Label4->setObjectName("Label4");

        txtQBCompany = new QLineEdit(central_);
        txtQBCompany->setObjectName("txtQBCompany");
        txtARImport = new SettingField("txtARImport",
                                       "This account must be set up in QuickBooks customer file", central_);
        lblARImp = fieldLabel("lblARImp", "A/R Import Account", txtARImport, central_);
        txtVendImport = new SettingField("txtVendImport",
                                         "This vendor must be set up in QuickBooks vendor file", central_);
        lblVendImport = fieldLabel("lblVendImport", "Vendor Import Account", txtVendImport, central_);
        txtTaxImp = new SettingField("txtTaxImp", "Enter the sales tax vendor in the QuickBooks vendor file",
                                     central_);
        Label8 = fieldLabel("Label8", "Sales Tax Account", txtTaxImp, central_);
        lblFieldsNote = statusLabel("lblFieldsNote", central_);
        lblFieldsNote->setWordWrap(true);
        lblFieldsNote->setVisible(false);

        cmdImport = new QPushButton("&Import", central_);
        cmdImport->setObjectName("cmdImport");
        cmdImport->setToolTip("Start the import procedure");
        cmdCancel = new QPushButton("&Cancel", central_);
        cmdCancel->setObjectName("cmdCancel");
        cmdCancel->setToolTip("Exit this program");
        Label5 = statusLabel("Label5", central_);
        Label9 = statusLabel("Label9", central_);
        pb1 = new QProgressBar(central_);
        pb1->setObjectName("pb1");
        pb1->setAccessibleName("Import progress");
        pb1->setRange(0, 100);
        pb1->setVisible(false);
        QObject::connect(cmdCancel, &QPushButton::clicked, this, &QWidget::close);
    }

    // ImportRunView: the import run's captions, progress and buttons.
    void setStatusCaption(const std::string& caption) override { Label5->setText(fromSingleByte(caption)); }
    void repaintStatus() override { Label5->repaint(); }
    void setDetailCaption(const std::string& caption) override { Label9->setText(fromSingleByte(caption)); }
    void repaintDetail() override { Label9->repaint(); }
    void setProgressVisible(bool visible) override { pb1->setVisible(visible); }
    void setProgressMaximum(double maximum) override { pb1->setMaximum(qRound(maximum)); }
    // The run keeps the exact value; the bar shows the nearest whole step.
    void setProgressValue(double value) override { pb1->setValue(qRound(value)); }
    void repaintProgress() override { pb1->repaint(); }
    void setImportEnabled(bool enabled) override { cmdImport->setEnabled(enabled); }
    void setCancelCaption(const std::string& caption) override {
        cmdCancel->setText(fromSingleByte(caption));
    }

    // MainWindowView.
    void setTitle(const std::string& title) override { setWindowTitle(fromSingleByte(title)); }
    void setCancelEnabled(bool enabled) override { cmdCancel->setEnabled(enabled); }
    void setCompanyName(const std::string& name) override { txtQBCompany->setText(fromSingleByte(name)); }
    void setAccountFields(const AccountFields& f) override {
        txtARImport->setText(fromSingleByte(f.ar));
        txtVendImport->setText(fromSingleByte(f.vendor));
        txtTaxImp->setText(fromSingleByte(f.tax));
        lblFieldsNote->setText(fromSingleByte(f.note));
        lblFieldsNote->setVisible(!f.note.empty());
    }
    void showTotalsGrid(const GridContent& grid) override { grdX390->show(grid); }
    void showAccountsGrid(const GridContent& grid) override { grdCoa->show(grid); }
    void showCheck(const CheckMarks& marks) override { checkMarks->showMarks(marks); }

  protected:
    // Lays the window out: the edition's own rows (`top`) across the top; the two grids side
    // by side; the account fields beside Import and Cancel below them; the run's captions and
    // progress at the bottom. Returns the fields' grid, for an edition's further field rows.
    QGridLayout* layOut(QLayout* top) {
        auto* totals = new QVBoxLayout;
        totals->addWidget(Label3);
        totals->addWidget(grdX390, 1);
        totals->addWidget(checkMarks);
        auto* chart = new QVBoxLayout;
        chart->addWidget(Label4);
        chart->addWidget(grdCoa, 1);
        auto* grids = new QHBoxLayout;
        grids->addLayout(totals, 2);
        grids->addLayout(chart, 3);

        auto* fields = new QGridLayout;
        fields->addWidget(lblARImp, 0, 0);
        fields->addWidget(txtARImport, 0, 1);
        fields->addWidget(lblVendImport, 1, 0);
        fields->addWidget(txtVendImport, 1, 1);
        fields->addWidget(Label8, 2, 0);
        fields->addWidget(txtTaxImp, 2, 1);
        fields->setColumnStretch(1, 1);
        auto* buttons = new QVBoxLayout;
        buttons->addWidget(cmdImport);
        buttons->addWidget(cmdCancel);
        buttons->addStretch(1);
        auto* fieldsAndNote = new QVBoxLayout;
        fieldsAndNote->addLayout(fields);
        fieldsAndNote->addWidget(lblFieldsNote);
        auto* lower = new QHBoxLayout;
        lower->addLayout(fieldsAndNote, 1);
        lower->addSpacing(24);
        lower->addLayout(buttons);

        auto* layout = new QVBoxLayout(central_);
        layout->addLayout(top);
        layout->addLayout(grids, 1);
        layout->addLayout(lower);
        layout->addWidget(Label5);
        layout->addWidget(Label9);
        layout->addWidget(pb1);
        resize(1000, 700);
        return fields;
    }

    // Stops the account fields' saving and their check. A window's destructor calls it before
    // its logic goes: the toolkit takes the focus from the fields only later, while it
    // destroys them.
    void stopSavingFields() {
        for (SettingField* f : {txtARImport, txtVendImport, txtTaxImp}) f->lostFocus = nullptr;
        delete recheck_;
        recheck_ = nullptr;
    }

    // The check again, once changed names are stored and the focus has left the fields.
    void recheckWhenFieldsLeft(AccountNamesRecheck::Logic logic) {
        recheck_ = new AccountNamesRecheck(this, {txtARImport, txtVendImport, txtTaxImp}, checkMarks,
                                           std::move(logic));
    }

    // Import runs `import` after storing the fields, never inside a check that waits.
    void importWith(std::function<void()> import) {
        QObject::connect(cmdImport, &QPushButton::clicked, this, [this, import] {
            auto run = [this, import] {
                storeFieldsAsOnFocusLoss();
                import();
            };
            if (recheck_)
                recheck_->whenIdle(run);
            else
                run();
        });
    }

    // Stores every field that saves on its focus loss, as its focus loss would. Import runs
    // this first: its mnemonic clicks it while the focus stays in the field being typed in,
    // whose text would otherwise be posted under the name stored before.
    void storeFieldsAsOnFocusLoss() {
        for (SettingField* f : central_->findChildren<SettingField*>())
            if (f->lostFocus) f->lostFocus(f->text());
    }

    // Routes each account field's focus loss to `save(controlName, text)`.
    template <class Save>
    void saveAccountFieldsWith(Save save) {
        for (SettingField* f : {txtARImport, txtVendImport, txtTaxImp}) {
            QString name = f->objectName();
            f->lostFocus = [save, name](const QString& text) {
                save(name.toStdString(), toSingleByte(text));
            };
        }
    }

    QWidget* central_;
    TotalsGridWidget* grdX390;
    TotalsGridWidget* grdCoa;
    CheckMarksPanel* checkMarks;  // the check before an import, beside and below grdX390
    AccountNamesRecheck* recheck_ = nullptr;
    QLabel* Label3;
    QLabel* Label4;
    QLineEdit* txtQBCompany;
    SettingField* txtARImport;
    SettingField* txtVendImport;
    SettingField* txtTaxImp;
    QLabel* lblARImp;
    QLabel* lblVendImport;
    QLabel* Label8;
    QLabel* lblFieldsNote;  // why the account fields are empty on a company's first start
    QPushButton* cmdImport;
    QPushButton* cmdCancel;
    QLabel* Label5;
    QLabel* Label9;
    QProgressBar* pb1;
};

}  // namespace ztl::ui
