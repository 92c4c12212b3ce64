#pragma once
// frmHelp, the quick-reference window: the operator's guide, shipped as rich text in the
// program's shared-data folder. Whatever goes wrong with the file is said inside the window,
// never in a message box: the operator opened it to read, not to answer questions.
#include <QDialog>
#include <filesystem>

#include "platform/paths.h"

class QTextEdit;

namespace ztl::ui {

class frmHelp : public QDialog {
    Q_OBJECT
  public:
    static constexpr const char* kFileName = "ZentrelMSHelp.rtf";
    static constexpr const char* kNotFoundText = "Quick reference file not found.";

    // Loads kFileName from dataFolder at once; tests give a folder of their own.
    explicit frmHelp(const std::filesystem::path& dataFolder = paths::dataFolder(),
                     QWidget* parent = nullptr);

  private:
    void load(const std::filesystem::path& file);

    QTextEdit* RichTextBox1;
};

}  // namespace ztl::ui
