#include "engine/import/single_procedures.h"

#include "engine/import/cls_ztl.h"
#include "platform/error_report.h"

namespace ztl {

LoadedTotals loadTotals(Program& program, const std::string& totalsPath) {
    clsZTL z(program);
    z.X390source(totalsPath);
    z.Load390();
    return {*z.X390(), z.ZTLTrcount, z.qLineCount()};
}

std::vector<std::string> loadChartTexts(Program& program, const std::optional<std::string>& savedAnswer) {
    clsZTL z(program);
    if (!savedAnswer)
        z.LoadQbCoa();
    else
        z.GetCOAResults(*savedAnswer);
    return z.qbCoa();
}

std::optional<std::string> sendRequest(Program& program, const std::string& request) {
    clsZTL z(program);
    z.requestText = request;
    z.SendRequest();
    if (z.cZTLError) return std::nullopt;
    return z.responseText;
}

}  // namespace ztl
