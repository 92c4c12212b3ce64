#include "prompter.h"

namespace ztl {

MsgResult defaultAnswer(MsgButtons buttons) {
    switch (buttons) {
        case MsgButtons::OK:
        case MsgButtons::OKCancel:
            return MsgResult::OK;
        case MsgButtons::AbortRetryIgnore:
            return MsgResult::Abort;
        case MsgButtons::YesNoCancel:
        case MsgButtons::YesNo:
            return MsgResult::Yes;
        case MsgButtons::RetryCancel:
            return MsgResult::Retry;
    }
    return MsgResult::OK;
}

MsgResult RecordingPrompter::show(const MessageBox& box) {
    shown.push_back(box);
    if (!answers.empty()) {
        MsgResult r = answers.front();
        answers.erase(answers.begin());
        return r;
    }
    return defaultAnswer(box.buttons);
}

std::vector<std::string> RecordingPrompter::texts() const {
    std::vector<std::string> t;
    for (const auto& b : shown) t.push_back(b.text);
    return t;
}

}  // namespace ztl
