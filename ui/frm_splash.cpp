#include "ui/frm_splash.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>
#include <QWindow>

#include "ui/logic/program_version.h"
#include "ui/product_logo.h"
#include "ui/single_byte_text.h"

namespace ztl::ui {

QString frmSplash::legalNotice() {
    return QStringLiteral(
        "Copyright (C) Korvane Software, Inc. All rights reserved.\n"
        "Licensed for use with the Korvane store system on this workstation.\n"
        "Posts the store's totals only into the QuickBooks company open here.");
}

frmSplash::frmSplash(const QString& editionLabel, QWidget* parent)
    : QWidget(parent, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("frmSplash");
    // Never drawn on a frameless window, but it is how the window is found and announced.
    setWindowTitle("Zentrel");

    Frame1 = new QFrame(this);
    Frame1->setObjectName("Frame1");
    Frame1->setFrameShape(QFrame::Box);
    Frame1->installEventFilter(this);

    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName("imgLogo");
    imgLogo->setPixmap(productLogo());
    imgLogo->setFixedSize(174, 161);
    imgLogo->setAccessibleName("Zentrel logo");

    lblProductName = new QLabel("Zentrel", Frame1);
    lblProductName->setObjectName("lblProductName");
    lblProductName->setFont(QFont("Arial", 28, QFont::Bold));

    if (!editionLabel.isEmpty()) {
        Label4 = new QLabel(editionLabel, Frame1);
        Label4->setObjectName("Label4");
        Label4->setFont(QFont("Arial", 14));
    }
    lblVersion = new QLabel(Frame1);
    lblVersion->setObjectName("lblVersion");
    lblVersion->setFont(QFont("Arial", 11));
    lblVersion->setAccessibleDescription("lblVersion");
    lblProgress = new QLabel(Frame1);
    lblProgress->setObjectName("lblProgress");
    lblProgress->setAccessibleDescription("lblProgress");
    Line1 = new QFrame(Frame1);
    Line1->setObjectName("Line1");
    Line1->setFrameShape(QFrame::HLine);
    Label3 = new QLabel(Frame1);
    Label3->setObjectName("Label3");
    Label3->setFont(QFont("Arial", 8));
    Label3->setAccessibleDescription("Label3");

    auto* names = new QVBoxLayout;
    names->addWidget(lblProductName);
    if (Label4) names->addWidget(Label4);
    names->addWidget(lblVersion);
    names->addStretch(1);
    names->addWidget(lblProgress);
    auto* top = new QHBoxLayout;
    top->addWidget(imgLogo);
    top->addSpacing(16);
    top->addLayout(names, 1);
    auto* inside = new QVBoxLayout(Frame1);
    inside->addLayout(top);
    inside->addWidget(Line1);
    inside->addWidget(Label3);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(Frame1);
    resize(520, 300);

    // Load.
    lblVersion->setText(QString::fromStdString(splashVersionText()));
    lblProgress->setText("Connecting to Quick Books...");
    Label3->setText(legalNotice());
}

void frmSplash::showPainted() {
    show();
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 500 && !(windowHandle() && windowHandle()->isExposed()))
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    repaint();
    QApplication::processEvents();
}

void frmSplash::setProgressCaption(const std::string& caption) {
    lblProgress->setText(fromSingleByte(caption));
}

void frmSplash::repaintProgress() {
    lblProgress->repaint();
}

void frmSplash::keyPressEvent(QKeyEvent*) {
    close();
}

bool frmSplash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == Frame1 && event->type() == QEvent::MouseButtonPress) {
        close();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace ztl::ui
