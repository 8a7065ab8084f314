#include "translation/Text_Utils.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <vector>

#include "translation/Scan_Utils.h"

namespace hemzshift {

namespace {
char field_delimiter = ',';
char quote_char = '\'';
bool quoting = true;

bool in_set(char c, std::string_view set) {
    return set.find(c) != std::string_view::npos;
}
bool blank_or_tab(char c) {
    return c == ' ' || c == '\t';
}
}  // namespace

void assign(std::string& dst, std::string_view src) {
    std::size_t n = std::min(dst.size(), src.size());
    std::copy_n(src.data(), n, dst.data());
    std::fill(dst.begin() + static_cast<std::ptrdiff_t>(n), dst.end(), ' ');
}

std::string fixed(std::string_view src, std::size_t len) {
    std::string s(len, ' ');
    assign(s, src);
    return s;
}

bool is_blank(std::string_view text) {
    return TRMLEN(text) == 0;
}

std::string_view trimmed(std::string_view text) {
    return text.substr(0, static_cast<std::size_t>(TRMLEN(text)));
}

std::string without_blanks(std::string_view text) {
    std::string out;
    for (char c : text)
        if (c != ' ') out.push_back(c);
    return out;
}

int TRMLEN(std::string_view text) {
    int n = static_cast<int>(text.size());
    while (n > 0 && text[static_cast<std::size_t>(n - 1)] == ' ') --n;
    return n;
}

int TRMLEN1(std::string_view text) {
    return std::max(1, TRMLEN(text));
}

int INDNOT(std::string_view text, std::string_view set) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!in_set(text[i], set)) return static_cast<int>(i + 1);
    return 0;
}

int IND1ST(std::string_view text, std::string_view set) {
    for (std::size_t i = 0; i < text.size(); ++i)
        if (in_set(text[i], set)) return static_cast<int>(i + 1);
    return 0;
}

int INDNOT_BAK(std::string_view text, std::string_view set) {
    for (std::size_t i = text.size(); i > 0; --i)
        if (!in_set(text[i - 1], set)) return static_cast<int>(i);
    return 0;
}

int IND1ST_BAK(std::string_view text, std::string_view set) {
    for (std::size_t i = text.size(); i > 0; --i)
        if (in_set(text[i - 1], set)) return static_cast<int>(i);
    return 0;
}

int INDBAK(std::string_view text, char c) {
    std::size_t p = text.rfind(c);
    return p == std::string_view::npos ? 0 : static_cast<int>(p + 1);
}

void LEFT_JUST(std::string_view text, std::string& out) {
    std::size_t i = 0;
    while (i < text.size() && blank_or_tab(text[i])) ++i;
    assign(out, text.substr(i));
}

void RIGHT_JUST(std::string_view text, std::string& out) {
    std::size_t a = 0, b = text.size();
    while (a < b && blank_or_tab(text[a])) ++a;
    while (b > a && blank_or_tab(text[b - 1])) --b;
    std::string_view stretch = text.substr(a, b - a);
    std::fill(out.begin(), out.end(), ' ');
    if (stretch.size() >= out.size()) {
        std::string_view tail = stretch.substr(stretch.size() - out.size());
        std::copy(tail.begin(), tail.end(), out.begin());
    } else {
        std::copy(stretch.begin(), stretch.end(), out.end() - static_cast<std::ptrdiff_t>(stretch.size()));
    }
}

void APPEND(std::string& text, std::string_view addition) {
    std::size_t at = static_cast<std::size_t>(TRMLEN(text));
    if (at >= text.size()) return;
    std::string tail(text.size() - at, ' ');
    assign(tail, addition);
    std::copy(tail.begin(), tail.end(), text.begin() + static_cast<std::ptrdiff_t>(at));
}

bool CMATCH(std::string_view a, std::string_view b) {
    int n = TRMLEN(a);
    if (n != TRMLEN(b)) return false;
    auto up = [](char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c; };
    for (int i = 0; i < n; ++i)
        if (up(a[static_cast<std::size_t>(i)]) != up(b[static_cast<std::size_t>(i)])) return false;
    return true;
}

void LOW_CASE(std::string_view text, std::string& out) {
    std::string s(text);
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    assign(out, s);
}

int32_t NINT4(float x) {
    if (std::isnan(x)) return 0;
    double r = std::floor(std::fabs(static_cast<double>(x)) + 0.5);
    if (r > static_cast<double>(INT32_MAX)) r = INT32_MAX;
    return static_cast<int32_t>(x < 0 ? -r : r);
}

void SET_DELIMITER(char c) {
    field_delimiter = c;
}
char GET_DELIMITER() {
    return field_delimiter;
}
void SET_QUOTE(char c) {
    quote_char = c;
    quoting = c != ' ';
}
char GET_QUOTE() {
    return quote_char;
}
bool quoting_on() {
    return quoting;
}

void GET_SEPARATORS(std::string& set, int& count) {
    std::string s(20, ' ');
    scanner_separators(s, count);
    assign(set, s);
}

void FIELD_FL(std::string_view text, int n, int& first, int& last) {
    first = 0;
    last = -1;
    int len = TRMLEN(text);
    if (len == 0 || n < 1) return;
    int counter = 0, start = 1;
    bool in_quotes = false;
    for (int col = 1; col <= len; ++col) {
        char c = text[static_cast<std::size_t>(col - 1)];
        if (quoting && c == quote_char) in_quotes = !in_quotes;
        if (!in_quotes && c == field_delimiter) {
            ++counter;
            if (counter == n) {
                first = start;
                last = col - 1;
                return;
            }
            start = col + 1;
        }
    }
    if (text[static_cast<std::size_t>(len - 1)] != field_delimiter && counter + 1 == n) {
        first = start;
        last = len;
    }
}

void GETFIELD(std::string_view text, int n, std::string& out) {
    int first, last;
    FIELD_FL(text, n, first, last);
    if (last >= first && first >= 1)
        LEFT_JUST(text.substr(static_cast<std::size_t>(first - 1), static_cast<std::size_t>(last - first + 1)), out);
    else
        assign(out, "");
}

std::string FIELD(std::string_view text, int n, std::size_t len) {
    std::string out(len, ' ');
    GETFIELD(text, n, out);
    return out;
}

int NFIELDS(std::string_view text) {
    int len = TRMLEN(text);
    if (len == 0) return 0;
    int count = 0;
    bool in_quotes = false;
    for (int col = 1; col <= len; ++col) {
        char c = text[static_cast<std::size_t>(col - 1)];
        if (quoting && c == quote_char) in_quotes = !in_quotes;
        if (!in_quotes && c == field_delimiter) ++count;
    }
    if (text[static_cast<std::size_t>(len - 1)] != field_delimiter) ++count;
    return count;
}

int NWORDS(std::string_view text) {
    char saved = GET_QUOTE();
    SET_QUOTE(' ');
    int words = 0, col = 1;
    std::string field(1, ' ');
    for (;;) {
        int status = 0;
        SCAN_S(text, field, static_cast<int>(text.size()) + 1, col, status);
        if (status == 1) break;
        ++words;
    }
    SET_QUOTE(saved);
    return words;
}

void Get_Module_Folder(std::string& buffer, int& length) {
    std::vector<char> path(PATH_MAX + 1);
    ssize_t n = ::readlink("/proc/self/exe", path.data(), PATH_MAX);
    if (n <= 0) {
        length = 0;
        assign(buffer, "");
        return;
    }
    length = static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(n), buffer.size()));
    assign(buffer, std::string_view(path.data(), static_cast<std::size_t>(n)));
}

void NULTERM2(std::string_view text, char* buffer, std::size_t size) {
    if (size == 0) return;
    std::string_view t = trimmed(text);
    std::size_t n = std::min(t.size(), size - 1);
    std::copy_n(t.data(), n, buffer);
    buffer[n] = '\0';
}

void WinShellExecute(std::string_view command, std::string_view arguments, std::string_view folder, int32_t& status) {
    if (is_blank(command)) {
        status = -1;
        return;
    }
    std::string cmd(trimmed(command)), arg(trimmed(arguments)), dir(trimmed(folder));
    std::vector<char*> argv{cmd.data()};
    if (!arg.empty()) argv.push_back(arg.data());
    argv.push_back(nullptr);

    // The exec's outcome comes back through a close-on-exec pipe; a middle
    // child that ends at once leaves the program to its own life, no zombie.
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        status = errno ? errno : 1;
        return;
    }
    pid_t middle = ::fork();
    if (middle < 0) {
        status = errno ? errno : 1;
        ::close(fds[0]);
        ::close(fds[1]);
        return;
    }
    if (middle == 0) {
        ::close(fds[0]);
        pid_t child = ::fork();
        if (child == 0) {
            if (!dir.empty() && ::chdir(dir.c_str()) != 0) {
                int e = errno;
                (void)!::write(fds[1], &e, sizeof e);
                ::_exit(127);
            }
            ::execvp(argv[0], argv.data());
            int e = errno;
            (void)!::write(fds[1], &e, sizeof e);
            ::_exit(127);
        }
        if (child < 0) {
            int e = errno;
            (void)!::write(fds[1], &e, sizeof e);
        }
        ::_exit(0);
    }
    ::close(fds[1]);
    int wstatus = 0;
    while (::waitpid(middle, &wstatus, 0) < 0 && errno == EINTR) {
    }
    int e = 0;
    ssize_t got;
    do {
        got = ::read(fds[0], &e, sizeof e);
    } while (got < 0 && errno == EINTR);
    ::close(fds[0]);
    if (got == static_cast<ssize_t>(sizeof e))
        status = (e > 0 && e <= 32) ? e : 31;
    else
        status = 42;
}

}  // namespace hemzshift
