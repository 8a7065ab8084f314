// Fixed-length text helpers of the translation library: blank-padded texts,
// the comma field splitter with its delimiter and quote settings, and the
// two routines that reach the operating system.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace hemzshift {

// Copies SRC into DST, cut or blank-padded to DST's current length.
void assign(std::string& dst, std::string_view src);
// A text of LEN characters holding SRC, cut or blank-padded.
std::string fixed(std::string_view src, std::size_t len);
bool is_blank(std::string_view text);
// TEXT without trailing blanks.
std::string_view trimmed(std::string_view text);
// TEXT with every blank taken out.
std::string without_blanks(std::string_view text);

int TRMLEN(std::string_view text);
int TRMLEN1(std::string_view text);
int INDNOT(std::string_view text, std::string_view set);
int IND1ST(std::string_view text, std::string_view set);
int INDNOT_BAK(std::string_view text, std::string_view set);
int IND1ST_BAK(std::string_view text, std::string_view set);
int INDBAK(std::string_view text, char c);

void LEFT_JUST(std::string_view text, std::string& out);
void RIGHT_JUST(std::string_view text, std::string& out);
void APPEND(std::string& text, std::string_view addition);
bool CMATCH(std::string_view a, std::string_view b);
void LOW_CASE(std::string_view text, std::string& out);
int32_t NINT4(float x);

void SET_DELIMITER(char c);
char GET_DELIMITER();
void SET_QUOTE(char c);
char GET_QUOTE();
bool quoting_on();
void GET_SEPARATORS(std::string& set, int& count);

void FIELD_FL(std::string_view text, int n, int& first, int& last);
void GETFIELD(std::string_view text, int n, std::string& out);
std::string FIELD(std::string_view text, int n, std::size_t len);
int NFIELDS(std::string_view text);
int NWORDS(std::string_view text);

// Full file name of the running program's executable, blank-padded to the
// buffer's length; LENGTH is 0 when it cannot be found.
void Get_Module_Folder(std::string& buffer, int& length);
// Starts COMMAND with ARGUMENTS as its one argument (none when blank), in
// FOLDER when not blank, without a shell and without waiting for it. STATUS
// is -1 for a blank command, 42 once the program runs, else an errno value
// (never above 32).
void WinShellExecute(std::string_view command, std::string_view arguments, std::string_view folder, int32_t& status);
// Copies TEXT without trailing blanks into BUFFER and ends it with a NUL,
// on the buffer's last character when the text fills it.
void NULTERM2(std::string_view text, char* buffer, std::size_t size);

}  // namespace hemzshift
