#include "common/Excel_Util.h"

#include <charconv>
#include <cmath>

#include "platform/ui/ui.h"

namespace {

std::string trim_blanks(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return "";
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

std::string ascii_lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Characters, not bytes, of a UTF-8 text.
size_t char_count(const std::string& s) {
    size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

int letter_position(char c) {
    if (c >= 'a' && c <= 'z') return c - 'a' + 1;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 1;
    return 0;
}

// A decimal number, blanks around it allowed: "7", " 12 ", "-3", "2.5".
bool decimal_value(const std::string& text, double& value) {
    const std::string t = trim_blanks(text);
    size_t i = (!t.empty() && (t[0] == '+' || t[0] == '-')) ? 1 : 0;
    size_t digits = 0, points = 0;
    for (size_t j = i; j < t.size(); ++j) {
        if (t[j] >= '0' && t[j] <= '9')
            ++digits;
        else if (t[j] == '.')
            ++points;
        else
            return false;
    }
    if (digits == 0 || points > 1) return false;
    const std::string body = t.substr(t[0] == '+' ? 1 : 0);  // from_chars takes no "+"
    return std::from_chars(body.data(), body.data() + body.size(), value).ec == std::errc();
}

void bad_column(const std::string& Col) {
    ui::MsgBox("Error converting <" + Col + "> to a column number.", ui::vbExclamation, "ColNumber");
}

void warn(const std::string& text) {
    ui::MsgBox(text, ui::vbExclamation, ui::kProgramTitle);
}

}  // namespace

int16_t ColNumber(const std::string& Col) {
    double number = 0;
    if (decimal_value(Col, number)) {
        const double whole = std::nearbyint(number);  // halves to even
        if (whole > 32767 || whole < -32768) {
            bad_column(Col);
            return 0;
        }
        return whole < 1 ? 0 : static_cast<int16_t>(whole);
    }
    if (trim_blanks(Col).empty()) return 0;
    // a lone character that is no letter ("#", an accented one) is no column, without a word
    const size_t length = char_count(Col);
    if (length == 1) return static_cast<int16_t>(letter_position(Col[0]));
    if (length == 2 && letter_position(Col[0]) > 0 && letter_position(Col[1]) > 0)
        return static_cast<int16_t>(26 * letter_position(Col[0]) + letter_position(Col[1]));
    bad_column(Col);
    return 0;
}

int16_t XL_lastrow(const office::WorksheetRef& Ws, int16_t FirstRow, int16_t Col) {
    int16_t last = -1;
    {
        ui::Hourglass hourglass;
        int blanks = 0;
        for (int32_t row = FirstRow; row <= XL_MaxRow; ++row) {
            std::string text;
            try {
                text = ascii_lower(trim_blanks(Ws->Cells(row, Col).Value().ToText()));
            } catch (const std::exception&) {
                text = "xxx";  // an unreadable cell counts as data
            }
            if (!text.empty()) {
                if (text == "end") break;
                last = static_cast<int16_t>(row);
                blanks = 0;
            } else if (++blanks == 3) {
                break;
            }
        }
    }
    if (last == -1) ui::MsgBox("Last row not found!", ui::vbOKOnly, "");
    if (last == XL_MaxRow)
        ui::MsgBox("Warning: search for last data row ended at maxrow = " + std::to_string(XL_MaxRow),
                   ui::vbExclamation, "Function XL_lastrow");
    return last;
}

std::string XL_CellText(const office::Range& Cell) {
    try {
        return trim_blanks(Cell.Value().ToText());
    } catch (const std::exception&) {
        return "error";
    }
}

bool XL_CellIsEmpty(const office::Range& Cell) {
    return XL_CellText(Cell).empty();
}

void XL_GetWorksheet(const std::string& File, const std::string& Sheet, office::ApplicationRef& XlApp,
                     office::WorksheetRef& Ws) {
    XlApp = nullptr;
    Ws = nullptr;
    if (Sheet == "active") {
        office::ApplicationRef app = office::Application::GetRunning();
        if (!app) {
            warn("No active Excel worksheet found.");
            return;
        }
        try {
            Ws = app->ActiveWorksheet();
        } catch (const office::Error& e) {
            warn("Error finding the active Excel worksheet:\r\n" + e.description());
            return;
        }
        XlApp = app;
        return;
    }

    // Never open a file into a program the user works in.
    if (office::Application::GetRunning() || office::WorkbookInUse(File)) {
        warn("Please close all MS-Excel windows, then try again.");
        return;
    }
    office::ApplicationRef app = office::Application::Start();
    try {
        office::WorkbookRef book = app->WorkbooksOpen(File);
        int16_t index = 1;
        if (!Sheet.empty()) {
            index = XL_SheetIndex(book, Sheet);
            if (index == 0) {
                warn("Worksheet " + Sheet + " not found in Excel file " + File);
                book->Close(false);
                app->Quit();
                return;
            }
        }
        office::WorksheetRef ws = book->Worksheets(index);
        ws->Activate();
        XlApp = app;
        Ws = ws;
    } catch (...) {
        // a failed start must not leave an application behind
        app->Quit();
        throw;
    }
}

int16_t XL_SheetIndex(const office::WorkbookRef& Wb, const std::string& Name) {
    const int32_t n = Wb->WorksheetCount();
    for (int32_t i = 1; i <= n; ++i)
        if (office::SheetNamesMatch(Wb->Worksheets(i)->Name(), Name)) return static_cast<int16_t>(i);
    return 0;
}
