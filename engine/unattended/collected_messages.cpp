#include "engine/unattended/collected_messages.h"

namespace ztl {

MsgResult CollectedMessages::show(const MessageBox& box) {
    texts_.push_back(box.text);
    switch (box.buttons) {
        case MsgButtons::OK: return MsgResult::OK;
        case MsgButtons::OKCancel:
        case MsgButtons::RetryCancel: return MsgResult::Cancel;
        case MsgButtons::AbortRetryIgnore: return MsgResult::Abort;
        case MsgButtons::YesNoCancel: return MsgResult::Cancel;
        case MsgButtons::YesNo: return MsgResult::No;
    }
    return MsgResult::OK;
}

}  // namespace ztl
