#pragma once
// The message-box model: what the system asks the operator and what came back. The GUI
// answers with a real message box, the command line prints, tests record and script.
#include <string>
#include <vector>

namespace ztl {

enum class MsgIcon { None, Critical, Question, Exclamation, Information };
enum class MsgButtons { OK, OKCancel, AbortRetryIgnore, YesNoCancel, YesNo, RetryCancel };
enum class MsgResult { OK, Cancel, Abort, Retry, Ignore, Yes, No };

struct MessageBox {
    std::string text;
    MsgIcon icon = MsgIcon::None;
    MsgButtons buttons = MsgButtons::OK;
    std::string title;  // the program's title when empty
};

class Prompter {
  public:
    virtual ~Prompter() = default;
    virtual MsgResult show(const MessageBox& box) = 0;
};

// Records every box and answers from a script (OK, or the first button, when it runs out).
class RecordingPrompter : public Prompter {
  public:
    std::vector<MessageBox> shown;
    std::vector<MsgResult> answers;

    MsgResult show(const MessageBox& box) override;
    // The texts shown so far, for concise test expectations.
    std::vector<std::string> texts() const;
};

// The first button of a button set: what a box answers when nobody is there to press one.
MsgResult defaultAnswer(MsgButtons buttons);

}  // namespace ztl
