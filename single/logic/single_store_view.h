#pragma once
// The single-store main window as its load and its handlers see it: the controls both
// editions share, and this edition's own. The Qt window, the command line and the tests
// each implement it.
#include <string>

#include "ui/logic/main_window_view.h"

namespace ztl::single {

class SingleStoreMainView : public ui::MainWindowView {
  public:
    virtual void setServerStatus(const std::string& text) = 0;       // lblServer
    virtual void setReferenceNumber(const std::string& number) = 0;  // txtRefNum
    virtual void setGridsEnabled(bool enabled) = 0;                  // grdX390 and grdCoa
    virtual void setBrowseEnabled(bool enabled) = 0;                 // cmdQBCBrowse
    // The open dialog `cd1` for a QuickBooks company file: the chosen path. Cancelling is
    // error 32755, as the dialog reports it when asked to.
    virtual std::string chooseCompanyFile() = 0;
};

}  // namespace ztl::single
