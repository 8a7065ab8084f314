// sample-workbooks FOLDER
// Writes the sample workbooks of the two worksheet windows into FOLDER:
// HMZ_LatLon_sample.xlsx (segment/km to latitude/longitude and back) and
// HMZ_Transforms_sample.xlsx (locations to translate to another version).
// sample/README.md lists their rows.
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "platform/office/spreadsheet.h"

namespace {

using Row = std::vector<std::string>;

// Cells written as a user types them: numbers become numbers, "yyyy-mm-dd"
// in a date column a date, anything else text.
void write_book(office::Application& app, const std::string& path, const std::string& sheet,
                const std::vector<Row>& rows, const std::vector<int>& date_columns = {}) {
    auto book = app.WorkbooksAdd();
    auto ws = book->Worksheets(1);
    ws->SetName(sheet);
    for (int c : date_columns) ws->SetColumnNumberFormat(c, "yyyy-mm-dd");
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t c = 0; c < rows[r].size(); ++c)
            if (!rows[r][c].empty())
                ws->Cells(static_cast<int32_t>(r + 1), static_cast<int32_t>(c + 1)).SetValue(rows[r][c]);
    book->SaveAs(path);
    book->Close(false);
}

// ">>>>" reads A:B (and E:F) and writes C:D (and G:H); "<<<<" reads J:K and
// writes L:M. Locations of version 202004.
const std::vector<Row> kLatLonRows = {
    {"Segment", "Km", "Latitude", "Longitude", "Segment 2", "Km 2", "Latitude 2", "Longitude 2", "", "Latitude",
     "Longitude", "Segment", "Km"},
    {"10", "3.2", "", "", "601", "1.8", "", "", "", "49.107129", "-122.857581"},
    {"550", "2.2", "", "", "602", "5.67", "", "", "", "49.377282", "-122.126556"},
    {"0020", "5.4", "", "", "976", "1.7", "", "", "", "49.95244", "-119.526231"},
    {"515", "3", "", "", "10", "0", "", "", "", "49.716128", "-123.15053"},
    {"10", "", "kept", "kept", "", "", "", "", "", "", "-122.9", "kept", "kept"},
    {"Segment", "Km", "Latitude", "Longitude", "", "", "", "", "", "Latitude", "Longitude", "Segment", "Km"},
    {"10", "20", "kept", "kept", "", "", "", "", "", "45", "-126", "kept", "kept"},
    {"30", "6.25", "", "", "", "", "", "", "", "49.1", "-122.9"},
    {"END", "", "", "", "", "", "", "", "", "END"},
    {"20", "1", "after the end", "after the end", "", "", "", "", "", "49.1", "-122.9", "after the end"},
};

// "Transform" reads A:B with the date in C and writes D:E (and F:G into
// H:I). Rows 2 to 12 run to the end marker; rows 14 to 16 hold dates the
// run refuses.
const std::vector<Row> kTransformRows = {
    {"Segment", "Km", "Date", "New Segment", "New Km", "Segment 2", "Km 2", "New Segment 2", "New Km 2"},
    {"550", "3", "", "", "", "510", "3", "", ""},
    {"20", "5", "2010-01-01", "", "", "975", "7.7", "", ""},
    {"510", "END", "2019-01-01"},
    {"975", "7.7", "2015-06-01"},
    {"10", "", "2015-06-01"},
    {"Segment", "Km", "Date"},
    {"10", "12.43", ""},
    {"10", "12.7", ""},
    {"9060", "1", "2010-01-01"},
    {"0600", "1.8", "2015-06-01"},
    {"12A4", "1", ""},
    {"END"},
    {"Dates the run refuses:"},
    {"10", "1", "1975-06-01"},
    {"10", "1", "2019-02-30"},
    {"10", "1", "not a date"},
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: sample-workbooks FOLDER\n";
        return 2;
    }
    const std::string folder = argv[1];
    try {
        std::filesystem::create_directories(folder);
        auto app = office::Application::Start();
        write_book(*app, folder + "/HMZ_LatLon_sample.xlsx", "Locations", kLatLonRows);
        write_book(*app, folder + "/HMZ_Transforms_sample.xlsx", "Locations", kTransformRows, {3});
        app->Quit();
    } catch (const std::exception& e) {
        std::cerr << "sample-workbooks: " << e.what() << "\n";
        return 1;
    }
    return 0;
}
