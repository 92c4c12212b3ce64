#include "platform/quickbooks_wait.h"

namespace ztl {

std::string waitingLine(const std::string& what, std::chrono::milliseconds waited) {
    return what.substr(0, what.find('\n')) + " ... " +
           std::to_string(std::chrono::duration_cast<std::chrono::seconds>(waited).count()) + " s";
}

std::string waitingDetails(const std::string& what) {
    std::size_t nl = what.find('\n');
    return nl == std::string::npos ? std::string() : what.substr(nl + 1);
}

}  // namespace ztl

namespace ztl {

namespace {
QuickBooksWait* processWait = nullptr;
}

QuickBooksWait* processQuickBooksWait() {
    return processWait;
}

void setProcessQuickBooksWait(QuickBooksWait* wait) {
    processWait = wait;
}

}  // namespace ztl
