#include "ui/frm_help.h"

#include <QTextEdit>
#include <QVBoxLayout>

#include "platform/vb_error.h"
#include "ui/rich_text_file.h"

namespace ztl::ui {

frmHelp::frmHelp(const std::filesystem::path& dataFolder, QWidget* parent) : QDialog(parent) {
    setObjectName("frmHelp");
    setWindowTitle("Korvane Zentrel Help");
    setModal(true);

    RichTextBox1 = new QTextEdit(this);
    RichTextBox1->setObjectName("RichTextBox1");
    RichTextBox1->setAccessibleName("Quick reference");
    RichTextBox1->setReadOnly(true);
    RichTextBox1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(RichTextBox1);
    resize(640, 560);

    load(dataFolder / kFileName);
    RichTextBox1->document()->setDocumentMargin(8);
    RichTextBox1->moveCursor(QTextCursor::Start);  // the guide opens at its title
}

void frmHelp::load(const std::filesystem::path& file) {
    try {
        loadRichTextFile(file, *RichTextBox1->document());
    } catch (const VbError& e) {
        // Only a file that cannot be reached is named; a damaged one leaves the area empty.
        if (e.number == vb::kPathFileAccessError) {
            RichTextBox1->setPlainText(kNotFoundText);
        } else {
            RichTextBox1->clear();
        }
    } catch (const std::exception&) {
        RichTextBox1->clear();
    }
}

}  // namespace ztl::ui
