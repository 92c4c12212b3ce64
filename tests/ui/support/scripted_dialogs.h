#pragma once
// Standard dialogs answered by a script instead of an operator. A printer answer is the PDF
// file to print into (with whatever range, copies and orientation the script sets); an
// empty answer, or none left, is the operator cancelling.
#include <QPrinter>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "ui/standard_dialogs.h"

namespace ztl::test {

class ScriptedDialogs : public ui::StandardDialogs {
  public:
    std::deque<std::optional<QString>> printerAnswers;
    std::deque<std::optional<QString>> fileAnswers;
    // Runs on the printer the window hands over, after the script's PDF is set.
    std::function<void(QPrinter&)> adjustPrinter;

    int printerRequests = 0;
    std::vector<ui::FileDialogRequest> fileRequests;

    bool choosePrinter(QPrinter& printer, QWidget*) override {
        ++printerRequests;
        std::optional<QString> answer = next(printerAnswers);
        if (!answer) return false;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(*answer);
        if (adjustPrinter) adjustPrinter(printer);
        return true;
    }
    std::optional<QString> chooseSaveFile(const ui::FileDialogRequest& r, QWidget*) override {
        fileRequests.push_back(r);
        return next(fileAnswers);
    }
    std::optional<QString> chooseOpenFile(const ui::FileDialogRequest& r, QWidget*) override {
        fileRequests.push_back(r);
        return next(fileAnswers);
    }

  private:
    static std::optional<QString> next(std::deque<std::optional<QString>>& answers) {
        if (answers.empty() || !answers.front()) {
            if (!answers.empty()) answers.pop_front();
            return std::nullopt;
        }
        QString a = *answers.front();
        answers.pop_front();
        return a;
    }
};

}  // namespace ztl::test
