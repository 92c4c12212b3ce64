#include "single/logic/import_run_watch.h"

#include "platform/text_file.h"

namespace ztl::single {

class ImportRunWatch::Window : public ResultsWindow {
  public:
    Window(ImportRunWatch& watch, std::unique_ptr<ResultsWindow> inner)
        : watch_(watch), inner_(std::move(inner)) {}

    void loadFile(const std::string& path) override {
        try {
            watch_.log_ = readWholeFile(path);
        } catch (const std::exception&) {
            watch_.log_.reset();  // an unreadable log proves nothing posted
        }
        if (inner_) inner_->loadFile(path);
    }
    void setCaption(const std::string& caption) override {
        if (inner_) inner_->setCaption(caption);
    }
    void showModal() override {
        watch_.reachedEnd_ = true;
        if (inner_) inner_->showModal();
    }

  private:
    ImportRunWatch& watch_;
    std::unique_ptr<ResultsWindow> inner_;
};

ImportRunWatch::ImportRunWatch(Program& program) : program_(program), inner_(program.resultsWindows) {
    program_.resultsWindows = this;
}

ImportRunWatch::~ImportRunWatch() {
    program_.resultsWindows = inner_;
}

std::unique_ptr<ResultsWindow> ImportRunWatch::create() {
    reachedEnd_ = false;
    log_.reset();
    return std::make_unique<Window>(*this, inner_ ? inner_->create() : nullptr);
}

}  // namespace ztl::single
