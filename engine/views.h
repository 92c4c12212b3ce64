#pragma once
// The windows the import engine drives, seen from the engine. The windows implement these;
// the command line supplies console stand-ins; tests record. A null view in the Program
// means "no such window now": the engine skips that step, as a repaint of a closed window
// does nothing.
#include <memory>
#include <string>

namespace ztl {

// The splash window's progress label `lblProgress`.
class SplashProgressView {
  public:
    virtual ~SplashProgressView() = default;
    virtual void setProgressCaption(const std::string& caption) = 0;
    virtual void repaintProgress() = 0;
};

// The main window's controls of an import run: status label `Label5`, label `Label9`,
// progress bar `pb1`, buttons `cmdImport` and `cmdCancel`.
class ImportRunView {
  public:
    virtual ~ImportRunView() = default;
    virtual void setStatusCaption(const std::string& caption) = 0;  // Label5
    virtual void repaintStatus() = 0;
    virtual void setDetailCaption(const std::string& caption) = 0;  // Label9
    virtual void repaintDetail() = 0;
    virtual void setProgressVisible(bool visible) = 0;  // pb1
    // The bar's value is a real number kept by the run: the single-store edition steps by
    // 100 / count. The view only shows it.
    virtual void setProgressMaximum(double maximum) = 0;
    virtual void setProgressValue(double value) = 0;
    virtual void repaintProgress() = 0;
    virtual void setImportEnabled(bool enabled) = 0;                // cmdImport
    virtual void setCancelCaption(const std::string& caption) = 0;  // cmdCancel
};

// One results window `frmDisplay`: its text area `rtb1` loaded from a file, its caption,
// shown modally (the call returns when the operator has closed it).
class ResultsWindow {
  public:
    virtual ~ResultsWindow() = default;
    virtual void loadFile(const std::string& path) = 0;
    virtual void setCaption(const std::string& caption) = 0;
    // The run that shows the window says whether QuickBooks refused an entry: then the window
    // demands the log's printout before the operator may leave it.
    virtual void demandPrintout(bool demanded) = 0;
    virtual void showModal() = 0;
};

class ResultsWindowFactory {
  public:
    virtual ~ResultsWindowFactory() = default;
    virtual std::unique_ptr<ResultsWindow> create() = 0;
};

}  // namespace ztl
