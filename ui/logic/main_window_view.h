#pragma once
// The main window as its load and its handlers see it, in both editions: the controls the
// window logic sets, beside the import controls the import run drives (ImportRunView).
#include <string>

#include "engine/views.h"
#include "ui/logic/check_marks.h"
#include "ui/logic/grid_content.h"

namespace ztl::ui {

// The three account fields, each with its settings key.
struct AccountFields {
    std::string ar;      // txtARImport, "ARImportAccount"
    std::string vendor;  // txtVendImport, "VendorImportAccount"
    std::string tax;     // txtTaxImp, "TaxImportAccount"
    // Beside the fields: why they are empty, when no name was ever stored for the company.
    std::string note;
};

class MainWindowView : public ImportRunView {
  public:
    virtual void setTitle(const std::string& title) = 0;
    virtual void setCancelEnabled(bool enabled) = 0;           // cmdCancel
    virtual void setCompanyName(const std::string& name) = 0;  // txtQBCompany
    virtual void setAccountFields(const AccountFields& fields) = 0;
    virtual void showTotalsGrid(const GridContent& grid) = 0;    // grdX390
    virtual void showAccountsGrid(const GridContent& grid) = 0;  // grdCoa
    // The check before an import, after showTotalsGrid; a view without marks ignores it.
    virtual void showCheck(const CheckMarks&) {}
};

}  // namespace ztl::ui
