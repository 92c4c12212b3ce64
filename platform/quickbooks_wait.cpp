#include "platform/quickbooks_wait.h"

namespace ztl {

std::string waitingLine(const std::string& what, std::chrono::milliseconds waited) {
    return what + " ... " + std::to_string(std::chrono::duration_cast<std::chrono::seconds>(waited).count()) +
           " s";
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
