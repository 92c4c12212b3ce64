// The record field codec: any bytes as a store-system record, read and written with every
// op-code at a position the input chooses, as dates, as compressed text. The codec may
// refuse with a VbError; it may not read or write outside the record.
//
// Input: byte 1 chooses the op-code, byte 2 the position (-8 to 247), bytes 3-6 a value,
// byte 7 a delimiter; the rest is the record.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/vb_error.h"
#include "storedata/codec.h"

using namespace ztl::storedata;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 7) return 0;
    static const char* const kOps[] = {"B", "C", "D", "I", "J", "K", "L", "b", "l", "R", "X", "", "CC"};
    const char* op = kOps[data[0] % (sizeof kOps / sizeof kOps[0])];
    const int32_t position = static_cast<int32_t>(data[1]) - 8;
    const int32_t value = static_cast<int32_t>(static_cast<std::uint32_t>(data[2]) << 24 | data[3] << 16 |
                                               data[4] << 8 | data[5]);
    const std::string delimiter(1, static_cast<char>(data[6]));
    const std::string record(reinterpret_cast<const char*>(data) + 7, size - 7);

    try {
        (void)Unpack(op, record, position);
    } catch (const ztl::VbError&) {
    }
    std::string written = record;
    try {
        Pack(op, written, value, position);
    } catch (const ztl::VbError&) {
    }
    if (written.size() != record.size()) __builtin_trap();  // the codec never changes a length

    const VbDate date = UnPackDate(op, record, position);
    std::string dated = record;
    try {
        PackDate(op, dated, position, date);
    } catch (const ztl::VbError&) {
    }
    (void)Ucm(record, kDefaultAlphabet);
    (void)Crm(record, kDefaultAlphabet);
    (void)Trun(record, value & 1);
    (void)Split(record, delimiter, value % 8 - 1, value & 1);
    VbDate parsed;
    (void)parseShortDate(record, parsed);
    int32_t location = 0;
    StrPos(location, record, delimiter);
    return 0;
}
