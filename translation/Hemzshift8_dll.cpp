// The library boundary: fixed-width texts in and out, one-byte flags, and no
// exception past this file.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <exception>
#include <optional>
#include <string>

#include "translation/Hemzshift8.h"
#include "translation/Hemzshift8_mod.h"
#include "translation/Lib_Units.h"
#include "translation/Scan_Utils.h"
#include "translation/Text_Utils.h"

using namespace hemzshift;

namespace {

constexpr std::size_t DATE_W = 10, SEG_W = 4, CODE_W = 1, TEXT_W = 6;

// An input text of the fixed width; never reads past the caller's length.
std::string in_text(const char* p, int32_t len, std::size_t width) {
    std::string s(width, ' ');
    if (p && len > 0) std::memcpy(s.data(), p, std::min<std::size_t>(width, static_cast<std::size_t>(len)));
    return s;
}

// Writes TEXT blank-padded to WIDTH, never past the caller's length.
void out_text(char* p, int32_t len, std::string_view text, std::size_t width) {
    if (!p || len <= 0) return;
    std::string s = fixed(text, width);
    std::memcpy(p, s.data(), std::min<std::size_t>(width, static_cast<std::size_t>(len)));
}

void out_flag(uint8_t* p, bool v) {
    if (p) *p = v ? 0xFF : 0x00;
}

template <class T>
void out_value(T* p, T v) {
    if (p) *p = v;
}

template <class T>
T in_value(const T* p, T fallback) {
    return p ? *p : fallback;
}

// Where a translation's results go.
struct TranslationOut {
    char* segment;
    int32_t segment_len;
    float* km;
    uint8_t* obs;
    int32_t* steps;
    uint8_t* split;

    void write(std::string_view seg, float k, bool o, int32_t n, bool s) const {
        out_text(segment, segment_len, seg, SEG_W);
        out_value(km, k);
        out_flag(obs, o);
        out_value(steps, n);
        out_flag(split, s);
    }
    void write_failed() const { write("ERR ", -4.0f, false, 0, false); }
};

// Runs BODY; a library stop or any other exception puts the library in its
// failed state and then FAIL writes the failed outputs. The log is written
// out after a failure and after initialisation, else by each entry point at
// most once a second (and at exit): a write per call would cost more than
// most translations.
template <class Body, class Fail>
void guarded(Body body, Fail fail, bool flush = false) {
    try {
        try {
            body();
        } catch (const Library_Stop& stop) {
            enter_failed_state(stop.number, stop.message);
            fail();
            flush = true;
        } catch (const std::exception& e) {
            std::string msg = std::string("*** Internal error: ") + e.what();
            log_parts(msg);
            enter_failed_state(ERR_INTERNAL, msg);
            fail();
            flush = true;
        } catch (...) {
            log_parts("*** Internal error");
            enter_failed_state(ERR_INTERNAL, "*** Internal error");
            fail();
            flush = true;
        }
        static auto last = std::chrono::steady_clock::time_point{};  // one per entry point
        const auto now = std::chrono::steady_clock::now();
        if (flush || now - last >= std::chrono::seconds(1)) {
            flush_units();
            last = now;
        }
    } catch (...) {
        // Nothing may leave the library, not even from the failure path.
    }
}

}  // namespace

extern "C" {

void DLL_HEMZSHIFT_INIT(const int32_t* ndp, const char* target, int32_t target_len, const char* folder,
                        int32_t folder_len) {
    guarded(
        [&] {
            std::optional<std::string> t, f;
            if (target) t = std::string(target, static_cast<std::size_t>(std::max(0, target_len)));
            if (folder) f = std::string(folder, static_cast<std::size_t>(std::max(0, folder_len)));
            HEMZSHIFT_INIT(in_value(ndp, 2), t ? std::optional<std::string_view>(*t) : std::nullopt,
                           f ? std::optional<std::string_view>(*f) : std::nullopt);
        },
        [] {}, true);
}

void DLL_HEMZSHIFT(const char* date, int32_t date_len, const char* segment, int32_t segment_len, const char* code,
                   int32_t code_len, const float* km, char* out_segment, int32_t out_segment_len, float* out_km,
                   uint8_t* obs, int32_t* steps, uint8_t* split) {
    const TranslationOut out{out_segment, out_segment_len, out_km, obs, steps, split};
    auto fail = [&] { out.write_failed(); };
    guarded(
        [&] {
            if (library_failed()) return fail();
            std::string seg;
            float k = 0.0f;
            bool o = false, s = false;
            int32_t n = 0;
            HEMZSHIFT(in_text(date, date_len, DATE_W), in_text(segment, segment_len, SEG_W),
                      in_text(code, code_len, CODE_W), in_value(km, 0.0f), seg, k, o, n, s);
            out.write(seg, k, o, n, s);
        },
        fail);
}

void DLL_HEMZSHIFT_TO_HMZVERSION(const char* date, int32_t date_len, const char* segment, int32_t segment_len,
                                 const char* code, int32_t code_len, const float* km, const char* target,
                                 int32_t target_len, char* out_segment, int32_t out_segment_len, float* out_km,
                                 uint8_t* obs, int32_t* steps, uint8_t* split) {
    const TranslationOut out{out_segment, out_segment_len, out_km, obs, steps, split};
    auto fail = [&] { out.write_failed(); };
    guarded(
        [&] {
            const std::string d = in_text(date, date_len, DATE_W), sg = in_text(segment, segment_len, SEG_W),
                              c = in_text(code, code_len, CODE_W), t = in_text(target, target_len, DATE_W);
            const float k_in = in_value(km, 0.0f);
            log_parts("dll_HEMZSHIFT_TO_HMZVERSION Enter: ", d, " ", sg, " ", c, " ", k_in, " ", t);
            if (library_failed()) return fail();
            std::string seg;
            float k = 0.0f;
            bool o = false, s = false;
            int32_t n = 0;
            HEMZSHIFT_TO_HMZVERSION(d, sg, c, k_in, t, seg, k, o, n, s);
            out.write(seg, k, o, n, s);
        },
        fail);
}

void DLL_HEMZSHIFT_ALL(const int32_t* mode, const char* date, int32_t date_len, const char* segment,
                       int32_t segment_len, const char* code, int32_t code_len, const float* km, int32_t* status) {
    const int32_t m = in_value(mode, -9);
    auto fail = [&] {
        HEMZSHIFT_CLEAR_DETAIL(-MAXSTEP, MAXSTEP);
        if (m != -9) out_value(status, last_error_number());
    };
    guarded(
        [&] {
            if (library_failed()) return fail();
            int32_t st = status ? *status : 0;
            HEMZSHIFT_ALL(m, in_text(date, date_len, DATE_W), in_text(segment, segment_len, SEG_W),
                          in_text(code, code_len, CODE_W), in_value(km, 0.0f), st);
            if (m != -9) out_value(status, st);
        },
        fail);
}

void DLL_HEMZSHIFT_GET_DETAIL(const int32_t* i, uint8_t* present, char* version, int32_t version_len, char* eff_date,
                              int32_t eff_date_len, char* segment, int32_t segment_len, float* km, uint8_t* obs,
                              uint8_t* split, char* text, int32_t text_len) {
    guarded(
        [&] {
            const int32_t idx = in_value(i, 99);
            bool p = false, o = false, s = false;
            std::string v, e, sg, t;
            float k = 0.0f;
            HEMZSHIFT_GET_DETAIL(idx, p, v, e, sg, k, o, s, t);
            // Only what the routine writes reaches the caller: present within
            // -5 to 5, obs, split and text for a present entry.
            const bool in_range = idx >= -MAXSTEP && idx <= MAXSTEP;
            if (in_range) out_flag(present, p);
            out_text(version, version_len, v, DATE_W);
            out_text(eff_date, eff_date_len, e, DATE_W);
            out_text(segment, segment_len, sg, SEG_W);
            out_value(km, k);
            if (in_range && p) {
                out_flag(obs, o);
                out_flag(split, s);
                out_text(text, text_len, t, TEXT_W);
            }
        },
        [] {});
}

void DLL_HEMZSHIFT_CHECK_LOCN(const char* version, int32_t version_len, const char* segment, int32_t segment_len,
                              const float* km, int32_t* status) {
    auto fail = [&] { out_value(status, -1); };
    guarded(
        [&] {
            if (library_failed()) return fail();
            int32_t st = -1;
            HEMZSHIFT_CHECK_LOCN(in_text(version, version_len, DATE_W), in_text(segment, segment_len, SEG_W),
                                 in_value(km, 0.0f), st);
            out_value(status, st);
        },
        fail);
}

void DLL_HEMZSHIFT_SEG34(char* segment, int32_t segment_len) {
    guarded(
        [&] {
            if (!segment || segment_len <= 0) return;
            std::string s = in_text(segment, segment_len, SEG_W);
            HEMZSHIFT_SEG34(s);
            out_text(segment, segment_len, s, SEG_W);
        },
        [] {});
}

void DLL_HEMZSHIFT_GET_LAST_TARGET(char* buffer, int32_t buffer_len) {
    guarded(
        [&] {
            if (!buffer || buffer_len <= 0) return;
            std::string s(static_cast<std::size_t>(buffer_len), ' ');
            HEMZSHIFT_GET_LAST_TARGET(s);
            std::memcpy(buffer, s.data(), s.size());
        },
        [] {});
}

void DLL_HEMZSHIFT_GET_END_DATE(const char* segment, int32_t segment_len, char* end_date, int32_t end_date_len) {
    auto fail = [&] { out_text(end_date, end_date_len, "", DATE_W); };
    guarded(
        [&] {
            if (library_failed()) return fail();
            std::string end(DATE_W, ' ');
            HEMZSHIFT_GET_END_DATE(in_text(segment, segment_len, SEG_W), end);
            out_text(end_date, end_date_len, end, DATE_W);
        },
        fail);
}

void DLL_HEMZSHIFT_GET_ERROR(int32_t* number, char* message, int32_t message_len) {
    guarded(
        [&] {
            out_value(number, last_error_number());
            if (message && message_len > 0) {
                std::string s = fixed(last_error_message(), static_cast<std::size_t>(message_len));
                std::memcpy(message, s.data(), s.size());
            }
        },
        [] {});
}

}  // extern "C"
