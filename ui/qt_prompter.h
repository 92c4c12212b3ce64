#pragma once
// Message boxes on QMessageBox. The caption is the box's title (the program's title when the
// box names none, which Program::showMessage already settles); the text is shown exactly as
// given, single-byte text decoded, each line feed a line break.
#include <QString>

#include "platform/prompter.h"

class QWidget;

namespace ztl::ui {

class QtPrompter : public Prompter {
  public:
    MsgResult show(const MessageBox& box) override;
};

// The text a box shows for the system's single-byte message: CR LF and lone LF both break
// the line, everything else stays as it is, blanks included.
QString messageBoxText(const std::string& text);

// The window a box or dialog belongs to: the modal window waiting for input, else the
// active window; none before any window is shown.
QWidget* dialogParent();

}  // namespace ztl::ui
