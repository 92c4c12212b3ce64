#include "engine/program.h"

namespace ztl {

void Program::setEdition(Edition e) {
    edition = e;
    title = e == Edition::SingleStore ? "Zentrel" : "ZentrelMS";
    settingsSection = e == Edition::SingleStore ? "Zentrel\\Settings" : "";
}

MsgResult Program::showMessage(const std::string& text, MsgIcon icon, MsgButtons buttons,
                               const std::string& boxTitle) {
    MessageBox box{text, icon, buttons, boxTitle.empty() ? title : boxTitle};
    return prompter ? prompter->show(box) : defaultAnswer(buttons);
}

}  // namespace ztl
