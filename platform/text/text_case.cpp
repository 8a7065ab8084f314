#include "platform/text/text_case.h"

#include <cstdint>

namespace text {

namespace {

uint32_t lower_code_point(uint32_t cp) {
    if (cp >= 'A' && cp <= 'Z') return cp + 0x20;
    if (cp >= 0xC0 && cp <= 0xDE && cp != 0xD7) return cp + 0x20;  // not the multiplication sign
    if (cp == 0x178) return 0xFF;
    // the dotted capital I (U+0130) is no pair of the dotless small i
    if ((cp >= 0x100 && cp <= 0x137 && cp != 0x130) || (cp >= 0x14A && cp <= 0x177)) return cp | 1;
    if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E)) return cp % 2 == 1 ? cp + 1 : cp;
    if (cp >= 0x391 && cp <= 0x3A9 && cp != 0x3A2) return cp + 0x20;
    if (cp >= 0x400 && cp <= 0x40F) return cp + 0x50;
    if (cp >= 0x410 && cp <= 0x42F) return cp + 0x20;
    return cp;
}

uint32_t upper_code_point(uint32_t cp) {
    if (cp >= 'a' && cp <= 'z') return cp - 0x20;
    if (cp >= 0xE0 && cp <= 0xFE && cp != 0xF7) return cp - 0x20;  // not the division sign
    if (cp == 0xFF) return 0x178;
    if ((cp >= 0x100 && cp <= 0x137 && cp != 0x131) || (cp >= 0x14A && cp <= 0x177)) return cp & ~1u;
    if ((cp >= 0x139 && cp <= 0x148) || (cp >= 0x179 && cp <= 0x17E)) return cp % 2 == 0 ? cp - 1 : cp;
    if (cp == 0x3C2) return 0x3A3;  // final sigma
    if (cp >= 0x3B1 && cp <= 0x3C9) return cp - 0x20;
    if (cp >= 0x430 && cp <= 0x44F) return cp - 0x20;
    if (cp >= 0x450 && cp <= 0x45F) return cp - 0x50;
    return cp;
}

// Windows-1252 bytes 0x80..0x9F as code points; 0 where the code page has none.
constexpr uint16_t kCp1252High[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

uint32_t cp1252_to_code_point(unsigned char b) {
    return b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b;
}

// The byte of a code point in Windows-1252; -1 when it has none.
int code_point_to_cp1252(uint32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i)
        if (kCp1252High[i] != 0 && kCp1252High[i] == cp) return 0x80 + i;
    return -1;
}

bool continuation(unsigned char b) {
    return (b & 0xC0) == 0x80;
}

// Length of the well-formed UTF-8 sequence at s[i] that is not ASCII, or 0.
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    const std::size_t len = b >= 0xC2 && b <= 0xDF ? 2 : b >= 0xE0 && b <= 0xEF ? 3 : b >= 0xF0 && b <= 0xF4 ? 4 : 0;
    if (len == 0 || i + len > s.size()) return 0;
    for (std::size_t k = 1; k < len; ++k)
        if (!continuation(static_cast<unsigned char>(s[i + k]))) return 0;
    const auto b1 = static_cast<unsigned char>(s[i + 1]);
    if ((b == 0xE0 && b1 < 0xA0) || (b == 0xED && b1 >= 0xA0)) return 0;  // overlong, surrogate
    if ((b == 0xF0 && b1 < 0x90) || (b == 0xF4 && b1 >= 0x90)) return 0;  // overlong, past U+10FFFF
    return len;
}

std::string map_case(std::string_view s, uint32_t (*map)(uint32_t)) {
    std::string out(s);
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            out[i] = static_cast<char>(map(b));
            ++i;
            continue;
        }
        const std::size_t len = utf8_length(s, i);
        if (len == 2) {
            // every letter cased here, and its partner, is a two-byte sequence
            const uint32_t cp = map((static_cast<uint32_t>(b & 0x1F) << 6) | (static_cast<unsigned char>(s[i + 1]) & 0x3F));
            if (cp >= 0x80 && cp < 0x800) {
                out[i] = static_cast<char>(0xC0 | (cp >> 6));
                out[i + 1] = static_cast<char>(0x80 | (cp & 0x3F));
            }
        } else if (len == 0) {
            const uint32_t cp = cp1252_to_code_point(b);
            const int mapped = cp == 0 ? -1 : code_point_to_cp1252(map(cp));
            if (mapped >= 0) out[i] = static_cast<char>(mapped);
        }
        i += len ? len : 1;
    }
    return out;
}

}  // namespace

std::string upper_case(std::string_view s) {
    return map_case(s, upper_code_point);
}

std::string lower_case(std::string_view s) {
    return map_case(s, lower_code_point);
}

}  // namespace text
