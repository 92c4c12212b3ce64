#include "qbwc/reported_error.h"

#include <cctype>
#include <charconv>
#include <cstdint>
#include <string_view>

#include "qbwc/bridge_errors.h"

namespace ztl::qbwc {

namespace {
constexpr long kUnspecifiedFailure = -2147467259;  // 0x80004005 E_FAIL
}  // namespace

VbError comErrorFrom(const std::string& hresult, const std::string& message) {
    std::string_view digits = hresult;
    while (!digits.empty() && std::isspace(static_cast<unsigned char>(digits.front())))
        digits.remove_prefix(1);
    while (!digits.empty() && std::isspace(static_cast<unsigned char>(digits.back())))
        digits.remove_suffix(1);
    long number = kUnspecifiedFailure;
    const char* end = digits.data() + digits.size();
    if (digits.starts_with("-")) {
        // A signed decimal, as a VB client would write it.
        std::int32_t value = 0;
        auto [stop, ec] = std::from_chars(digits.data(), end, value);
        if (ec == std::errc() && stop == end) number = value;
    } else {
        // The Web Connector writes HRESULTs in hex, "0x80040400".
        if (digits.starts_with("0x") || digits.starts_with("0X")) digits.remove_prefix(2);
        std::uint32_t value = 0;
        auto [stop, ec] = std::from_chars(digits.data(), end, value, 16);
        if (!digits.empty() && ec == std::errc() && stop == end) number = static_cast<std::int32_t>(value);
    }
    return VbError(number, kBridgeSource, message);
}

}  // namespace ztl::qbwc
