#include "written_log.h"

#include "engine/company/import_log.h"
#include "engine_fixture.h"
#include "platform/text_file.h"

namespace ztl::test {

std::string writtenLog(const std::vector<std::vector<std::string>>& blocks,
                       const std::vector<std::string>& notes) {
    ScratchDir dir("written-log");
    const auto path = dir.path() / "QBImport.log";
    {
        TextWriter log(path);
        log.writeLine(importlog::headingLine("12/07/2026", "9:05:03 PM"));
        log.writeLine(importlog::ruleLine());
        log.writeLine(importlog::kBlankLine);
        for (const auto& note : notes) {
            log.writeLine(note);
            log.writeLine(importlog::kBlankLine);
        }
        for (const auto& block : blocks) importlog::writeBlock(log, block, 0, "");
        log.close();
    }
    return readWholeFile(path);
}

std::vector<std::string> postedBlock(int n, const std::string& invoice, const std::string& txnId) {
    return importlog::answerBlock(n, invoice, {}, "0", "Info", "Status OK", txnId);
}

}  // namespace ztl::test
