// Brellinlib: the general utility module of the main program. Field scanner
// and scan settings, CSV splitting and line reading, files and folders,
// outside programs, text, SQL and XML literals, number and date text, arrays
// and sorting.
//
// Positions are 1-based. Arrays are 1-based std::vectors whose element 0 is
// unused, with the count kept by the caller.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "common/DecimalFormat.h"
#include "common/TextFile.h"

// ---------------------------------------------------------------------------
// Scan settings (process-wide, sticky until changed)

struct ScanSettings {
    std::string ScanQuote = "\"";
    bool ScanQuoting = true;
    std::string ScanBlanks = " \t";
    std::string ScanSeparator = ",";
};
extern ScanSettings Scan_Settings;

void Scan_Init();
void Set_CSV_Separator(const std::string& Sep);
void Set_Scan_Blanks(const std::string& Blanks);
void Set_CSV_Quote(const std::string& Q);

// ---------------------------------------------------------------------------
// Field scanner. Status -1 on entry asks for strict mode: an error then shows
// its message box and abandons the running command (ui::CommandAbandoned).
// Otherwise Status returns 0 found, 1 no field, 2 no closing quote (SCAN_I4:
// or not a number), 3 field longer than MaxLen. Columns are 16-bit: only the
// first 32766 characters of a line are scanned, so Col 32767 is past the end.

void SCAN_SFL(const std::string& Line, int16_t& First, int16_t& Last, int16_t MaxLen, int16_t& Col, int16_t& Status);
void SCAN_S(const std::string& Line, std::string& Field, int16_t MaxLen, int16_t& Col, int16_t& Status);
void SCAN_I4(const std::string& Line, int32_t& Value, int16_t MaxLen, int16_t& Col, int16_t& Status);

// What a strict-mode error does after its message is known. The default shows
// the message (OK only, no icon, the program's title) and throws
// ui::CommandAbandoned. A handler that returns is followed by that throw too.
using ScanAbortHandler = std::function<void(const std::string& message)>;
void set_scan_abort_handler(ScanAbortHandler handler);  // empty: the default

// Substrings and words.
std::string SS(const std::string& s, int32_t b, int32_t e);
void Get_Word(const std::string& Line, int16_t N, std::string& Word);
std::string Nth_Word(const std::string& Line, int16_t N);
int16_t Word_Count(const std::string& Line);

// Character sets (exact, by character code); 0 when not found.
int32_t PosIn(const std::string& CharSet, const std::string& c);
int32_t FindFirstNotIn(const std::string& s, const std::string& CharSet);
int32_t FindFirstIn(const std::string& s, const std::string& CharSet);
int32_t FindLastIn(const std::string& s, const std::string& CharSet);

// ---------------------------------------------------------------------------
// CSV splitting and line reading. The field array's upper bound is
// Arr.size() - 1, the most fields a line can give; Arr[0] is never touched.

void CSV_Split(const std::string& Line, std::vector<std::string>& Arr, int16_t& N, bool KeepTrailingEmpty = false);
void CSV_SplitTrim(const std::string& Line, std::vector<std::string>& Arr, int16_t& N);
int16_t CSV_FieldCount(const std::string& Line);
void CSV_GetField(const std::string& Line, int16_t N, std::string& Field);
std::string CSV_Field(const std::string& Line, int16_t N);
std::string StripQuotes(const std::string& s);
// The text without its leading and trailing spaces (spaces only, as Trim).
std::string TrimSpaces(const std::string& s);

// Reads the next line: CR dropped, LF or Ctrl-Z ends the line. AtEOF is only
// ever set to True (with the last line); the caller sets it False first.
void Read_Line(InputFile& FileNum, std::string& Line, bool& AtEOF);

// ---------------------------------------------------------------------------
// Paths, files and folders. Paths use "/"; file-name patterns ("*", "?")
// match without regard to case.

std::string AddBackslash(const std::string& Path);  // one trailing "/"
std::string FileNamePart(const std::string& Path);
std::string FolderPart(const std::string& Path);
std::string RemoveExtension(const std::string& Path);
std::string FileBaseName(const std::string& Path);

bool FileExists(const std::string& Path);
bool FolderExists(const std::string& Path);
bool FolderWritable(const std::string& Folder);
// -1 absent, 0 free, 1 locked (or in use, or an error after its warning box).
int16_t FileStatus(const std::string& Path);
// True for an existing file that may not be written: no write permission bit
// is set (the read-only attribute), or this user lacks write access.
bool FileReadOnly(const std::string& Path);

std::string Last_File_Matching(const std::string& Pattern);
std::string Last_Folder_Matching(const std::string& Pattern);
// The names (without folder, as on disk) of every file that Pattern matches,
// in character-code order.
std::vector<std::string> Files_Matching(const std::string& Pattern);

// Window styles callers pass to Shell_Command.
inline constexpr int16_t vbHide = 0;
inline constexpr int16_t vbNormalFocus = 1;

// Starts Program with Args and returns without waiting; never through a
// shell. Program "Notepad" opens the file named by Args in the desktop's text
// viewer. Otherwise Program is split into words (double quotes group), a
// leading "cmd.exe /C" is dropped, and Args (trimmed, outer quotes removed)
// is passed as one argument. A start failure shows its warning box and
// gives False.
bool Shell_Command(const std::string& Program, const std::string& Args, int16_t WindowStyle = vbNormalFocus);

// For the help and read-me buttons: True when the file they open is there;
// otherwise a box names the missing file and gives False.
bool Help_File_Found(const std::string& File);

// ---------------------------------------------------------------------------
// Text, SQL and XML literals, number and date text

std::string SQL_Str(const std::string& s);
std::string SQL_Date(const std::chrono::year_month_day& d);
// A date text (year, month and day with "-", "." or "/" between) written the
// same way; a text that does not read as a date is placed between the "#"
// signs as it stands (less any "#" of its own), so the database reports it.
std::string SQL_Date(const std::string& d);
std::string XML_Escape(const std::string& s);

std::string Replace_All(const std::string& s, const std::string& Find, const std::string& Repl);
void Replace_Str(const std::string& s, const std::string& Find, const std::string& Repl, std::string& Result);
int32_t InStrLast(const std::string& s, const std::string& Sub);
// Without spaces and tabs, upper-cased (UTF-8 and Windows-1252 letters too).
std::string Squeeze_Upper(const std::string& v);

// Null (std::nullopt) gives Width blanks.
std::string Format_Right(const std::optional<decimal::Value>& v, int16_t Width, int16_t Decimals);
std::string Format_Right_I(const decimal::Value& v, int16_t Width);

float Round_1(float x);
bool Parse_Date_YMD(const std::string& s, int16_t& Y, int16_t& M, int16_t& D);
// A result outside the 16-bit range shows a box titled "Floor_I" and
// abandons the running command.
int16_t Floor_I(float x);

template <class T, class D>
T Nz(const std::optional<T>& v, const D& Default) {
    return v ? *v : static_cast<T>(Default);
}
template <class T, class D>
T Nz2(const std::optional<T>& v, const D& Default) {
    return Nz(v, Default);
}

int16_t Min_I(int16_t a, int16_t b);
int16_t Max_I(int16_t a, int16_t b);
int16_t Min_IV(int16_t a, int16_t b);
int16_t Max_IV(int16_t a, int16_t b);
int32_t Max_LV(int32_t a, int32_t b);
int16_t Min_IV2(int16_t a, int16_t b);
int16_t Max_IV2(int16_t a, int16_t b);

// ---------------------------------------------------------------------------
// Arrays and sorting (Arr[1..N] in use)

bool Find_Str(const std::string& s, const std::vector<std::string>& Arr, int16_t N, int16_t& Idx);
bool Find_L(int32_t Value, const std::vector<int32_t>& Arr, int16_t N, int16_t& Idx);
// The add routines grow Arr when it is full. A value that would make N pass
// 32767 shows a box titled with the routine's name and abandons the running
// command.
bool Add_Unique_I(int16_t Value, std::vector<int16_t>& Arr, int16_t& N, int16_t& Idx);
bool Add_Unique_L(int32_t Value, std::vector<int32_t>& Arr, int16_t& N, int16_t& Idx);
bool Add_Unique_S(const std::string& Value, std::vector<std::string>& Arr, int16_t& N, int16_t& Idx);

// Upper bound of a 1-based array; -1 when it was never dimensioned (empty).
template <class T>
int32_t Safe_UBound(const std::vector<T>& Arr) {
    return Arr.empty() ? -1 : static_cast<int32_t>(Arr.size()) - 1;
}

// Smallest of v[1..]; the first of equal smallest ones. Element 0 is unused;
// a list without element 1 gives T{}.
template <class T>
T Min_Of_Array(const std::vector<T>& v) {
    if (v.size() < 2) return T{};
    const T* best = &v[1];
    for (std::size_t i = 2; i < v.size(); ++i)
        if (v[i] < *best) best = &v[i];
    return *best;
}

// Heap sort of the index permutation Idx[1..N] by Keys (Keys untouched; the
// order of equal keys is fixed by the steps, not the input order). Idx is
// grown to hold N when it is smaller.
template <class Key, class Index>
void Index_Sort_Heap(Index N, const std::vector<Key>& Keys, std::vector<Index>& Idx) {
    if (N <= 0) return;
    if (Idx.size() < static_cast<std::size_t>(N) + 1) Idx.resize(static_cast<std::size_t>(N) + 1);
    if (N == 1) {
        Idx[1] = 1;
        return;
    }
    for (int64_t j = 1; j <= N; ++j) Idx[static_cast<std::size_t>(j)] = static_cast<Index>(j);
    Index l = static_cast<Index>(N / 2 + 1);
    Index r = N;
    for (;;) {
        Index t;
        if (l > 1) {
            --l;
            t = Idx[l];
        } else {
            t = Idx[r];
            Idx[r] = Idx[1];
            --r;
            if (r == 1) {
                Idx[1] = t;
                return;
            }
        }
        const Key& q = Keys[t];
        Index i = l;
        int64_t j = 2 * static_cast<int64_t>(l);
        while (j <= r) {
            if (j < r && Keys[Idx[j]] < Keys[Idx[j + 1]]) ++j;
            if (q < Keys[Idx[j]]) {
                Idx[i] = Idx[j];
                i = static_cast<Index>(j);
                j *= 2;
            } else {
                j = static_cast<int64_t>(r) + 1;
            }
        }
        Idx[i] = t;
    }
}

void Index_Sort_I(int16_t N, const std::vector<int16_t>& Keys, std::vector<int16_t>& Idx);
void Index_Sort_L(int32_t N, const std::vector<int32_t>& Keys, std::vector<int32_t>& Idx);
void Index_Sort_S(int16_t N, const std::vector<std::string>& Keys, std::vector<int16_t>& Idx);
