#pragma once
// frmSplash: shown while the main window loads, which is the slow part of the start (the
// confirmation, the store server, QuickBooks, the totals and the chart). The import engine
// writes its progress into `lblProgress`. A key press or a click on the frame closes it
// early; the start goes on regardless.
#include <QWidget>

#include "engine/views.h"

class QFrame;
class QLabel;

namespace ztl::ui {

class frmSplash : public QWidget, public SplashProgressView {
    Q_OBJECT
  public:
    // The edition label ("Multi Store") is empty in the single-store edition, which has none.
    explicit frmSplash(const QString& editionLabel, QWidget* parent = nullptr);

    // Shows the splash and lets it be drawn before the long load blocks the event loop.
    void showPainted();

    void setProgressCaption(const std::string& caption) override;
    void repaintProgress() override;

    static QString legalNotice();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QLabel* imgLogo;
    QLabel* lblProductName;
    QLabel* Label4 = nullptr;
    QLabel* lblVersion;
    QLabel* lblProgress;
    QLabel* Label3;
    QFrame* Line1;
    QFrame* Frame1;
};

}  // namespace ztl::ui
