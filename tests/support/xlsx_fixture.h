// Small workbook packages made by the tests themselves: a zip writer (stored
// entries), a scratch folder, and a two-worksheet workbook with a chart sheet
// between them, a shared-string table, a custom date format and a part no
// spreadsheet program knows.
#pragma once

#include <stdlib.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

using ZipEntries = std::vector<std::pair<std::string, std::string>>;

inline uint32_t crc32_of(const std::string& data) {
    static uint32_t table[256] = {};
    if (table[1] == 0)
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            table[i] = c;
        }
    uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char b : data) crc = table[(crc ^ b) & 0xFF] ^ (crc >> 8);
    return crc ^ 0xFFFFFFFFu;
}

// A zip archive of stored (uncompressed) entries, in the order given.
inline std::string make_zip(const ZipEntries& entries) {
    std::string out, central;
    auto u16 = [](std::string& s, uint32_t v) {
        s += static_cast<char>(v & 0xFF);
        s += static_cast<char>((v >> 8) & 0xFF);
    };
    auto u32 = [&](std::string& s, uint32_t v) {
        u16(s, v & 0xFFFF);
        u16(s, v >> 16);
    };
    for (const auto& [name, data] : entries) {
        const uint32_t offset = static_cast<uint32_t>(out.size());
        const uint32_t crc = crc32_of(data);
        const auto size = static_cast<uint32_t>(data.size());
        u32(out, 0x04034b50);
        u16(out, 20), u16(out, 0), u16(out, 0), u16(out, 0), u16(out, 0x21);
        u32(out, crc), u32(out, size), u32(out, size);
        u16(out, static_cast<uint32_t>(name.size())), u16(out, 0);
        out += name;
        out += data;
        u32(central, 0x02014b50);
        u16(central, 20), u16(central, 20), u16(central, 0), u16(central, 0), u16(central, 0), u16(central, 0x21);
        u32(central, crc), u32(central, size), u32(central, size);
        u16(central, static_cast<uint32_t>(name.size()));
        u16(central, 0), u16(central, 0), u16(central, 0), u16(central, 0);
        u32(central, 0), u32(central, offset);
        central += name;
    }
    const uint32_t central_offset = static_cast<uint32_t>(out.size());
    out += central;
    u32(out, 0x06054b50);
    u16(out, 0), u16(out, 0);
    u16(out, static_cast<uint32_t>(entries.size())), u16(out, static_cast<uint32_t>(entries.size()));
    u32(out, static_cast<uint32_t>(central.size())), u32(out, central_offset);
    u16(out, 0);
    return out;
}

inline void write_bytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
}

inline std::string read_bytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// A folder of its own under the temporary folder, removed with its contents.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "tw_test_XXXXXX").string();
        path_ = mkdtemp(pattern.data()) ? pattern : std::string();
    }
    ~ScratchFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

// Sheets in workbook order: "Data" (worksheet), "Chart1" (chart sheet),
// "Results" (worksheet). Data: A1 "Segment" (shared string), B1 "Km"
// (inline), A2 550, B2 12.43, C2 2015-01-03 (a date under the custom format
// 164 "yyyy-mm-dd;@"), D2 a formula with the error value #DIV/0!, E2 a text
// cell holding " padded ", A3 "0550" as text (style 1: format "@"), B4 a
// boolean. Column F has the date style for cells not yet written.
// Results: A1 "kept". The chart sheet is the active sheet.
inline ZipEntries fixture_workbook_parts() {
    const std::string decl = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\r\n";
    const std::string ns =
        "xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
        "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"";
    const std::string rel = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";
    return {
        {"[Content_Types].xml",
         decl + "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
                "<Override PartName=\"/xl/workbook.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
                "<Override PartName=\"/xl/worksheets/sheet1.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                "<Override PartName=\"/xl/worksheets/sheet2.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>"
                "<Override PartName=\"/xl/chartsheets/sheet1.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.chartsheet+xml\"/>"
                "<Override PartName=\"/xl/styles.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>"
                "<Override PartName=\"/xl/sharedStrings.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml\"/>"
                "<Override PartName=\"/xl/calcChain.xml\" "
                "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml\"/>"
                "</Types>"},
        {"_rels/.rels", decl +
                            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                            "<Relationship Id=\"rId1\" Type=\"" +
                            rel +
                            "officeDocument\" Target=\"xl/workbook.xml\"/>"
                            "</Relationships>"},
        {"xl/workbook.xml", decl + "<workbook " + ns +
                                "><workbookPr/><bookViews><workbookView activeTab=\"1\"/></bookViews><sheets>"
                                "<sheet name=\"Data\" sheetId=\"1\" r:id=\"rId1\"/>"
                                "<sheet name=\"Chart1\" sheetId=\"3\" r:id=\"rId3\"/>"
                                "<sheet name=\"Results\" sheetId=\"2\" r:id=\"rId2\"/>"
                                "</sheets></workbook>"},
        {"xl/_rels/workbook.xml.rels",
         decl +
             "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
             "<Relationship Id=\"rId1\" Type=\"" +
             rel +
             "worksheet\" Target=\"worksheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId2\" Type=\"" +
             rel +
             "worksheet\" Target=\"/xl/worksheets/sheet2.xml\"/>"
             "<Relationship Id=\"rId3\" Type=\"" +
             rel +
             "chartsheet\" Target=\"chartsheets/sheet1.xml\"/>"
             "<Relationship Id=\"rId4\" Type=\"" +
             rel +
             "styles\" Target=\"styles.xml\"/>"
             "<Relationship Id=\"rId5\" Type=\"" +
             rel +
             "sharedStrings\" Target=\"sharedStrings.xml\"/>"
             "<Relationship Id=\"rId6\" Type=\"" +
             rel +
             "calcChain\" Target=\"calcChain.xml\"/>"
             "</Relationships>"},
        {"xl/worksheets/sheet1.xml",
         decl + "<worksheet " + ns +
             "><dimension ref=\"A1:E4\"/>"
             "<cols><col min=\"6\" max=\"6\" width=\"12\" style=\"2\" customWidth=\"1\"/></cols><sheetData>"
             "<row r=\"1\" spans=\"1:2\"><c r=\"A1\" t=\"s\"><v>0</v></c>"
             "<c r=\"B1\" t=\"inlineStr\"><is><t>Km</t></is></c></row>"
             "<row r=\"2\"><c r=\"A2\"><v>550</v></c><c r=\"B2\"><v>12.43</v></c>"
             "<c r=\"C2\" s=\"2\"><v>42007</v></c><c r=\"D2\" t=\"e\"><f>1/0</f><v>#DIV/0!</v></c>"
             "<c r=\"E2\" t=\"s\"><v>1</v></c></row>"
             "<row r=\"3\"><c r=\"A3\" s=\"1\" t=\"s\"><v>2</v></c></row>"
             "<row r=\"4\"><c r=\"B4\" t=\"b\"><v>1</v></c></row>"
             "</sheetData><pageMargins left=\"0.7\" right=\"0.7\" top=\"0.75\" bottom=\"0.75\" header=\"0.3\" "
             "footer=\"0.3\"/>"
             "</worksheet>"},
        {"xl/worksheets/sheet2.xml",
         decl + "<worksheet " + ns +
             "><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>kept</t></is></c></row>"
             "</sheetData></worksheet>"},
        {"xl/chartsheets/sheet1.xml",
         decl + "<chartsheet " + ns + "><sheetViews><sheetView workbookViewId=\"0\"/></sheetViews></chartsheet>"},
        {"xl/styles.xml",
         decl + "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
                "<numFmts count=\"1\"><numFmt numFmtId=\"164\" formatCode=\"yyyy-mm-dd;@\"/></numFmts>"
                "<fonts count=\"1\"><font><sz val=\"11\"/><name val=\"Calibri\"/></font></fonts>"
                "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
                "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
                "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
                "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
                "<cellXfs count=\"3\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"/>"
                "<xf numFmtId=\"49\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyNumberFormat=\"1\"/>"
                "<xf numFmtId=\"164\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\" "
                "applyNumberFormat=\"1\"/></cellXfs>"
                "<cellStyles count=\"1\"><cellStyle name=\"Normal\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
                "</styleSheet>"},
        {"xl/sharedStrings.xml",
         decl +
             "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" count=\"3\" uniqueCount=\"3\">"
             "<si><t>Segment</t></si><si><t xml:space=\"preserve\"> padded </t></si>"
             "<si><r><t>05</t></r><r><t>50</t></r></si></sst>"},
        {"xl/calcChain.xml", decl + "<calcChain xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><c "
                                    "r=\"D2\" i=\"1\"/></calcChain>"},
        {"customXml/item1.xml", "<unknown>\n  <kept exactly=\"yes\"/>\n</unknown>\n"},
    };
}

inline void write_fixture_workbook(const std::string& path) {
    write_bytes(path, make_zip(fixture_workbook_parts()));
}

}  // namespace testsupport
