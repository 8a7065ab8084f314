// The translation library's field scanner and its settings, number decoding
// and rounding, edit-descriptor formatting, file and unit helpers, the
// environment and the file-name parser.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hemzshift {

void SET_SEPARATORS(std::string_view list, int n);
void SET_UERR(int n);
int message_unit();
void scanner_separators(std::string& set, int& count);

// STATUS -1 on entry asks for strict mode: an error then stops the library.
void SCAN_S(std::string_view line, std::string& field, int ml, int& col, int& status);
void SCAN_S_BOUNDS(std::string_view line, int& first, int& last, int ml, int& col, int& status);
// The bounds form under its own name: the same scan as SCAN_S_BOUNDS.
void SCAN_S(std::string_view line, int& first, int& last, int ml, int& col, int& status);
void SCAN_I(std::string_view line, int32_t& ival, int ml, int& col, int& status);
void SCAN_F4(std::string_view line, float& rval, int ml, int& col, int& status);

// Reads TEXT as an integer under I15 or a real under F20.0; false when it
// does not decode.
bool decode_I15(std::string_view text, int32_t& value);
bool decode_F20(std::string_view text, float& value);

void UNQUOTE(std::string_view s, std::string& dest);
float ROUND(float x, int ndp);
void UP_CASE(std::string_view in, std::string& out);
void EDIT_STRING(std::string_view s, std::string_view old_text, std::string_view new_text, std::string& out);

bool FILE_EXISTS(std::string_view file);
void OPENREAD2(int unit, std::string_view file, int& ierr);
void OPENOUT2(int unit, std::string_view file, int& ierr);
int FREEUNIT(int lo, int hi);
void GET_SYSVAR(std::string_view name, std::string& value, int& len);
void ENDWITH(std::string& text, char sep);

// Bounds form: FIRST..LAST of the component, FIRST 0 when empty, FIRST the
// negative error code on an error. Text form: the component and the code.
void PARSE_FN(std::string_view spec, std::string_view style, std::string_view keyword, int& first, int& last);
void PARSE_FN(std::string_view spec, std::string_view style, std::string_view keyword, std::string& out, int& code);

// Edit descriptors: Iw, Fw.d (a single rounded from its 7-digit decimal form,
// halves away from zero; asterisks when it does not fit) and list-directed
// numbers.
std::string fmt_I(int64_t value, int width);
std::string fmt_F(float value, int width, int decimals);
std::string list_num(int64_t value);
inline std::string list_num(int32_t value) {
    return list_num(static_cast<int64_t>(value));
}
std::string list_num(float value);

}  // namespace hemzshift
