// What a browser sends the console before anyone has signed in: the request target, the
// Cookie header and a form body, each read by the console's own readers. The input is split
// at its first two NUL bytes into the three. No reader may crash, and a path it accepts never
// steps out of the console.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "qbwc/console/console_path.h"
#include "qbwc/console/form_fields.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t first = input.find('\0');
    const std::string_view target = input.substr(0, first);
    const std::string_view rest = first == std::string_view::npos ? std::string_view() : input.substr(first + 1);
    const std::size_t second = rest.find('\0');
    const std::string_view cookies = rest.substr(0, second);
    const std::string_view body = second == std::string_view::npos ? std::string_view() : rest.substr(second + 1);

    if (const auto path = ztl::qbwc::consolePath(std::string(target))) {
        // An accepted path is decoded to the end and holds no step up and no separator of Windows.
        if (path->find("..") != std::string::npos || path->find('\\') != std::string::npos) std::abort();
        const auto again = ztl::qbwc::percentDecoded(*path, false);
        if (!again || *again != *path) std::abort();
    }
    (void)ztl::qbwc::cookieValue(cookies, "zentrel_console");
    for (const auto& [name, value] : ztl::qbwc::formFields(body))
        if (name.empty()) std::abort();
    return 0;
}
