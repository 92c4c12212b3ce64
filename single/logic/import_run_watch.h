#pragma once
// What an import run did, seen from outside the engine through the results window it opens
// as its very last step: a run that opens one has reached its end, and the log it loads
// into it is the whole record of that run. The log is read at that moment, before the
// operator could save anything over it from the results window.
//
// While a watch lives it stands in the program's place of the results windows and hands
// every request on to the windows that were there; with none there, the run shows nothing,
// as before, but is still seen to reach its end.
#include <memory>
#include <optional>
#include <string>

#include "engine/program.h"

namespace ztl::single {

class ImportRunWatch : public ResultsWindowFactory {
  public:
    explicit ImportRunWatch(Program& program);
    ~ImportRunWatch() override;  // gives the program its own results windows back
    ImportRunWatch(const ImportRunWatch&) = delete;
    ImportRunWatch& operator=(const ImportRunWatch&) = delete;

    std::unique_ptr<ResultsWindow> create() override;

    bool reachedEnd() const { return reachedEnd_; }
    // The import log's bytes as the run left it; nothing when it could not be read.
    const std::optional<std::string>& log() const { return log_; }

  private:
    class Window;

    Program& program_;
    ResultsWindowFactory* inner_;
    bool reachedEnd_ = false;
    std::optional<std::string> log_;
};

}  // namespace ztl::single
