#include "ui/qt_prompter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include "ui/single_byte_text.h"

namespace ztl::ui {
namespace {

QMessageBox::Icon iconOf(MsgIcon icon) {
    switch (icon) {
        case MsgIcon::Critical:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

struct ButtonChoice {
    QMessageBox::StandardButton button;
    MsgResult result;
};

std::vector<ButtonChoice> buttonsOf(MsgButtons buttons) {
    using B = QMessageBox;
    switch (buttons) {
        case MsgButtons::OK:
            return {{B::Ok, MsgResult::OK}};
        case MsgButtons::OKCancel:
            return {{B::Ok, MsgResult::OK}, {B::Cancel, MsgResult::Cancel}};
        case MsgButtons::AbortRetryIgnore:
            return {
                {B::Abort, MsgResult::Abort}, {B::Retry, MsgResult::Retry}, {B::Ignore, MsgResult::Ignore}};
        case MsgButtons::YesNoCancel:
            return {{B::Yes, MsgResult::Yes}, {B::No, MsgResult::No}, {B::Cancel, MsgResult::Cancel}};
        case MsgButtons::YesNo:
            return {{B::Yes, MsgResult::Yes}, {B::No, MsgResult::No}};
        case MsgButtons::RetryCancel:
            return {{B::Retry, MsgResult::Retry}, {B::Cancel, MsgResult::Cancel}};
    }
    return {{B::Ok, MsgResult::OK}};
}

}  // namespace

QString messageBoxText(const std::string& text) {
    QString shown = fromSingleByte(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return shown;
}

QWidget* dialogParent() {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    return QApplication::activeWindow();
}

MsgResult QtPrompter::show(const MessageBox& box) {
    QMessageBox mb(dialogParent());
    mb.setWindowTitle(fromSingleByte(box.title));
    mb.setIcon(iconOf(box.icon));
    mb.setTextFormat(Qt::PlainText);
    mb.setText(messageBoxText(box.text));
    std::vector<ButtonChoice> choices = buttonsOf(box.buttons);
    for (const auto& c : choices) mb.addButton(c.button);
    mb.setDefaultButton(choices.front().button);
    // Closing the box from its frame answers as its cancelling button would, or as its only one.
    mb.setEscapeButton(choices.size() == 1 ? choices.front().button : choices.back().button);
    mb.exec();
    QAbstractButton* clicked = mb.clickedButton();
    for (const auto& c : choices)
        if (clicked == mb.button(c.button)) return c.result;
    return choices.size() == 1 ? choices.front().result : choices.back().result;
}

}  // namespace ztl::ui
