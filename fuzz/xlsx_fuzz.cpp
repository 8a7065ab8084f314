// The .xlsx reader: a workbook opened, every worksheet's first rows and
// columns read as the worksheet windows read them, a few cells written back
// as they write results, and the package saved under another name.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "platform/office/spreadsheet.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzzing::StartHeadless();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzzing::NewInput();
    const std::string path = fuzzing::WriteInput("book.xlsx", data, size);
    const std::string out = fuzzing::CleanFolder("out") + "saved.xlsx";
    auto app = office::Application::Start();
    try {
        office::WorkbookRef book = app->WorkbooksOpen(path);
        for (int32_t s = 1; s <= book->WorksheetCount() && s <= 4; ++s) {
            office::WorksheetRef ws = book->Worksheets(s);
            ws->Name();
            for (int32_t r = 1; r <= 20; ++r)
                for (int32_t c = 1; c <= 14; ++c) {
                    office::Range cell = ws->Cells(r, c);
                    const office::CellValue v = cell.Value();
                    if (v.kind != office::CellValue::ErrorValue) v.ToText();
                    cell.NumberFormat();
                    cell.ColorIndex();
                }
            ws->Cells(2, 3).SetValue("49.107129");
            ws->Cells(3, 4).SetValue(-122.857581);
            ws->Cells(4, 12).SetValue("0010");
            ws->Cells(5, 1).SetColorIndex(6);
        }
        book->SaveAs(out);
    } catch (const office::Error&) {
    }
    app->Quit();
    return 0;
}
