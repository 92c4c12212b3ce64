#pragma once
// The store system's integers are big-endian: the most significant byte first. They are
// read and written byte by byte with explicit shifts on unsigned bytes, never through a cast
// of the buffer, so neither the host's byte order nor the alignment of a record matters.
// Offsets are 0-based; the caller has checked that `width` bytes (1 to 4) lie there.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace ztl::storedata {

inline uint32_t readBigEndian(std::string_view bytes, size_t at, int width) {
    uint32_t v = 0;
    for (int i = 0; i < width; ++i)
        v = (v << 8) | static_cast<unsigned char>(bytes[at + static_cast<size_t>(i)]);
    return v;
}

// The low `width` bytes of the value; higher bytes are dropped.
inline void writeBigEndian(std::string& bytes, size_t at, int width, uint32_t v) {
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>((v >> (8 * (width - 1 - i))) & 0xFF);
}

}  // namespace ztl::storedata
