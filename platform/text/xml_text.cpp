#include "platform/text/xml_text.h"

#include <cstdint>

#include "platform/text/utf8.h"

namespace text {

std::string xml_safe(std::string_view text) {
    static const char16_t kCp1252[32] = {0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
                                         0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178};
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size()) {
        const auto b = static_cast<unsigned char>(text[i]);
        if (b < 0x80) {
            if (b >= 0x20 || b == '\t' || b == '\n' || b == '\r') out += static_cast<char>(b);
            ++i;
            continue;
        }
        // a well-formed UTF-8 sequence is kept as it is
        size_t len = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
        bool ok = len > 0 && i + len <= text.size();
        for (size_t k = 1; ok && k < len; ++k) ok = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (ok && len == 3) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            ok = !(b == 0xE0 && b1 < 0xA0) && !(b == 0xED && b1 >= 0xA0);
        }
        if (ok && len == 4) {
            const auto b1 = static_cast<unsigned char>(text[i + 1]);
            ok = !(b == 0xF0 && b1 < 0x90) && !(b == 0xF4 && b1 >= 0x90);
        }
        if (ok) {
            out.append(text.substr(i, len));
            i += len;
        } else {
            append_utf8(out, b < 0xA0 ? kCp1252[b - 0x80] : b);
            ++i;
        }
    }
    return out;
}

}  // namespace text
