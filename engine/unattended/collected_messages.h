#pragma once
// The message path of a run nobody watches: what the engine would show in a message box is
// kept for the run's report, and a question gets the answer that changes nothing (No,
// Cancel), for nobody is there to agree.
#include <string>
#include <vector>

#include "platform/prompter.h"

namespace ztl {

class CollectedMessages : public Prompter {
  public:
    MsgResult show(const MessageBox& box) override;
    const std::vector<std::string>& texts() const { return texts_; }

  private:
    std::vector<std::string> texts_;
};

}  // namespace ztl
