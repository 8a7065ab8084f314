// The case location table, the map display and the validation-page rules.
#include "mapping/Case_LatLon.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/mapping/mapcase_support.h"
#include "tests/support/kml_check.h"

namespace {

using namespace mapcase_test;

class CaseLatLon : public MapCaseTest {};

TEST_F(CaseLatLon, LookupTakesTheFirstExactEntry) {
    std::string table = "Case,Date,Lat,Lon\r\n"
                        "1001,2020-01-01,49.1,-123.1\r\n"
                        "   \r\n"
                        "1001,2020-01-02,50.0,-120.0\r\n"
                        "1002 ,x,49.2,-123.2\r\n"
                        " 1003,x, 49.3 ,  -123.3,extra\r\n"
                        "1004,x,,\r\n"
                        "1005,x,49.5\r\n";
    for (int i = 0; i < 3500; ++i) table += std::to_string(200000 + i) + ",d,49." + std::to_string(i) + ",-122\n";
    write_table(table);
    struct Case {
        const char* Case;
        const char* Lat;
        const char* Lon;
    } cases[] = {
        {"1001", "49.1", "-123.1"},   // the first of two
        {"1003", "49.3 ", "-123.3"},  // fields are only left-trimmed
        {"203499", "49.3499", "-122"},  // beyond the 3000th line
        {"Case", "Lat", "Lon"},       // a heading is an ordinary entry
    };
    for (const Case& c : cases) {
        std::string Lat, Lon, Status;
        LookupCaseLatLon(c.Case, Lat, Lon, Status);
        EXPECT_EQ(Lat, c.Lat) << c.Case;
        EXPECT_EQ(Lon, c.Lon) << c.Case;
        EXPECT_EQ(Status, "") << c.Case;
        EXPECT_EQ(form().txtLatLon.Text(), std::string(c.Lat) + ", " + c.Lon);
    }
    EXPECT_EQ(CaseLatLon_Count(), 3507);

    // Not there, or there without a position.
    for (const char* missing : {"1002", "9999", "1004", "1005", ""}) {
        form().txtLatLon.SetText("old");
        ui_->ExpectMsgBox(ui::vbOK, std::string("No LatLon found for ") + missing);
        std::string Lat = "x", Lon = "x", Status;
        LookupCaseLatLon(missing, Lat, Lon, Status);
        EXPECT_EQ(Status, std::string("No LatLon found for ") + missing);
        EXPECT_EQ(Lat, "");
        EXPECT_EQ(form().txtLatLon.Text(), "");
        EXPECT_EQ(ui_->shown.back().title, "Tessawin");
    }
    EXPECT_EQ(status(), CRLF + "Loading case-latlon table from " + batch() + "/latlon.csv");
}

TEST_F(CaseLatLon, TableIsKeptUntilTheBatchFolderChanges) {
    write_table("1001,x,49.1,-123.1\n");
    std::string Lat, Lon, Status;
    LookupCaseLatLon("1001", Lat, Lon, Status);
    write_table("1001,x,50.5,-121.5\n");
    LookupCaseLatLon("1001", Lat, Lon, Status);
    EXPECT_EQ(Lat, "49.1");
    form().txtBatchFolder.SetText(batch() + "/");
    LookupCaseLatLon("1001", Lat, Lon, Status);
    EXPECT_EQ(Lat, "50.5");
}

TEST_F(CaseLatLon, MissingTableIsReportedAndTheLookupFails) {
    const std::string mes = "File " + batch() + "/latlon.csv not found.";
    ui_->ExpectMsgBox(ui::vbOK, mes);
    std::string Lat, Lon, Status;
    LookupCaseLatLon("1001", Lat, Lon, Status);
    EXPECT_EQ(Status, "LoadLatLon failed.");
    EXPECT_EQ(ui_->shown.back().title, "LoadLatLon");
    EXPECT_EQ(status(), CRLF + mes);

    write_table("\r\n  \r\n");  // nothing but blank lines
    LookupCaseLatLon("1001", Lat, Lon, Status);
    EXPECT_EQ(Status, "LoadLatLon failed.");
}

TEST_F(CaseLatLon, ClipboardCopyWithItsRetries) {
    write_table("1001,x,49.1,-123.1\n");
    form().chkClipboard.SetValue(ui::vbChecked);
    std::string Lat, Lon, Status;
    LookupCaseLatLon("1001", Lat, Lon, Status);
    EXPECT_EQ(ui_->clipboard, "49.1, -123.1");
    EXPECT_EQ(Status, "");
    EXPECT_NE(status().find(CRLF + "49.1, -123.1 copied to clipboard."), std::string::npos);

    // A clear that fails once, retried; then a setting that fails and is cancelled.
    struct Case {
        int clear_failures, set_failures;
        std::vector<ui::MsgBoxResult> answers;
        const char* status;
        const char* line;
        const char* clipboard;
    } cases[] = {
        {1, 0, {ui::vbRetry}, "Clipboard Clear Failed", "49.1, -123.1 copied to clipboard.", "49.1, -123.1"},
        {0, 2, {ui::vbRetry, ui::vbCancel}, "Clipboard SetText Failed", "49.1, -123.1 NOT copied to clipboard.", ""},
        {3, 0, {ui::vbCancel}, "Clipboard Clear Failed", "49.1, -123.1 NOT copied to clipboard.", "old"},
    };
    for (const Case& c : cases) {
        ui_->clipboard = "old";
        ui_->clipboard_clear_failures = c.clear_failures;
        ui_->clipboard_set_failures = c.set_failures;
        for (auto a : c.answers) ui_->ExpectMsgBox(a, c.status);
        form().Status.SetText("");
        LookupCaseLatLon("1001", Lat, Lon, Status);
        EXPECT_EQ(Status, c.status);
        EXPECT_EQ(status(), CRLF + c.line);
        EXPECT_EQ(ui_->clipboard, c.clipboard);
        EXPECT_EQ(ui_->shown.back().buttons, ui::vbRetryCancel + ui::vbExclamation);
    }
    ui_->clipboard_clear_failures = 0;
}

TEST_F(CaseLatLon, GlobeViewerGetsAOnePlacemarkFile) {
    std::string Status;
    GoogleMapLatLon("1001", "49.1, -123.1", Status);
    EXPECT_EQ(Status, "");
    const std::string file = kml_file("1001");
    EXPECT_EQ(ReadFile(file),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\r\n"
              "<Placemark>\r\n<name>1001</name>\r\n<Point>\r\n   <coordinates>-123.1,49.1,0</coordinates>\r\n"
              "</Point>\r\n</Placemark>\r\n</kml>\r\n");
    EXPECT_EQ(last_argv(), (std::vector<std::string>{viewer_, file}));

    // Labels and positions from data: escaped, carried into UTF-8, and the
    // file stays in its folder.
    GoogleMapLatLon("../A&B <\xE9>", "49.1&,<-1>", Status);
    const std::string odd = kml_file(".._A&B _\xE9_");
    const std::string text = ReadFile(odd);
    EXPECT_NE(text.find("<name>../A&amp;B &lt;\xC3\xA9&gt;</name>"), std::string::npos) << text;
    EXPECT_NE(text.find("<coordinates>&lt;-1&gt;,49.1&amp;,0</coordinates>"), std::string::npos) << text;
    EXPECT_EQ(last_argv().back(), odd);
    const auto pms = kmlcheck::ReadKml(odd);
    ASSERT_EQ(pms.size(), 1u);
    EXPECT_EQ(pms[0].name, "../A&B <\xC3\xA9>");

    GoogleMapLatLon("", "49.1", Status);  // no comma: no longitude
    EXPECT_NE(ReadFile(kml_file("")).find("<coordinates>,49.1,0</coordinates>"), std::string::npos);
}

TEST_F(CaseLatLon, NoGlobeViewerIsNotAMap) {
    shell::SetGlobeViewerInstallPaths({dir_.file("none")});
    const char* old_path = std::getenv("PATH");
    const std::string saved = old_path ? old_path : "";
    ::setenv("PATH", dir_.file("none").c_str(), 1);
    ui_->ExpectMsgBox(ui::vbOK, "Cannot find Google Earth executable");
    std::string Status;
    GoogleMapLatLon("1001", "49.1,-123.1", Status);
    ::setenv("PATH", saved.c_str(), 1);
    EXPECT_EQ(ui_->shown.back().title, "GoogleMapLatLon");
    EXPECT_EQ(Status, "Cannot find Google Earth executable");
    EXPECT_TRUE(launcher_->calls.empty());

    shell::SetGlobeViewerInstallPaths({viewer_});
    launcher_->result = {false, 13, "Permission denied", -1};
    ui_->ExpectMsgBox(ui::vbOK, "Permission denied");
    GoogleMapLatLon("1001", "49.1,-123.1", Status);
    EXPECT_EQ(Status, "Google Earth was not started.");
}

TEST_F(CaseLatLon, WebMapAddressIsOneEncodedArgument) {
    form().optMaps.SetValue(true);
    std::string Status;
    GoogleMapLatLon("1001", "49.1, -123.1", Status);
    EXPECT_EQ(last_argv(), (std::vector<std::string>{"xdg-open", "https://www.google.com/maps?q=49.1%2C%20-123.1"}));
    GoogleMapLatLon("x", "49&q=evil --x", Status);
    EXPECT_EQ(last_argv(), (std::vector<std::string>{"xdg-open", "https://www.google.com/maps?q=49%26q%3Devil%20--x"}));
    EXPECT_EQ(Status, "");

    launcher_->result = {false, 2, "No such file or directory", -1};
    ui_->ExpectMsgBox(ui::vbOK, "Error 2\r\nNo such file or directory");
    GoogleMapLatLon("1001", "49.1,-123.1", Status);
    EXPECT_EQ(Status, "Error 2\r\nNo such file or directory");
}

TEST_F(CaseLatLon, MapCaseMapsOnlyAFoundPosition) {
    write_table("1001,x,49.1,-123.1\n1004,x,,\n");
    std::string Status;
    MapCase("1001", Status);
    EXPECT_EQ(Status, "");
    EXPECT_EQ(last_argv(), (std::vector<std::string>{viewer_, kml_file("1001")}));
    launcher_->calls.clear();
    ui_->ExpectMsgBox(ui::vbOK, "No LatLon found for 1004");
    MapCase("1004", Status);
    EXPECT_EQ(Status, "No LatLon found for 1004");
    EXPECT_TRUE(launcher_->calls.empty());
}

TEST_F(CaseLatLon, CaseFromTheValidationPage) {
    FixturePage other;
    other.title = "vrq860 lower case";
    other.th = {"Collision Validation 11111111"};
    FixturePage text_doc = ValidationPage("Collision Validation 22222222", std::nullopt);
    text_doc.html = false;
    struct Case {
        std::vector<FixturePage> pages;
        const char* result;
    } cases[] = {
        {{other, text_doc, ValidationPage("Date", std::nullopt), ValidationPage("Collision Validation 12345678", {})},
         "12345678"},
        {{ValidationPage("Collision Validation for 87654321  ", {})}, "654321  "},
        {{ValidationPage("Collision Validation \xC3\xA9\xC3\xA9" "1234567", {})}, "\xC3\xA9" "1234567"},
        {{ValidationPage("Collision validation 12345678", {})}, ""},
    };
    for (const Case& c : cases) {
        browser_->pages = c.pages;
        EXPECT_EQ(GetCaseFromVRQ860(), c.result);
    }
    browser_->pages = {other, text_doc};
    ui_->ExpectMsgBox(ui::vbOK, "Could not find VRQ860 window");
    EXPECT_EQ(GetCaseFromVRQ860(), "");
    EXPECT_EQ(ui_->shown.back().title, "GetCaseFromVRQ860");
}

TEST_F(CaseLatLon, WorkingPositionFromTheValidationPage) {
    browser_->pages = {ValidationPage("Date", std::nullopt), ValidationPage("x", " 49.1, -123.1 ")};
    EXPECT_EQ(GetLatLonFromVRQ860(), " 49.1, -123.1 ");  // untrimmed

    for (const char* none : {"   ", "", "null", "null, null"}) {
        browser_->pages = {ValidationPage("x", std::string(none)), ValidationPage("x", "49.1,-123.1")};
        ui_->ExpectMsgBox(ui::vbOK, "There is no working Latitude, Longitude on VRQ860");
        EXPECT_EQ(GetLatLonFromVRQ860(), "") << none;
        EXPECT_EQ(ui_->shown.back().title, "GetLatLonFromVRQ860");
    }

    browser_->pages = {ValidationPage("x", std::nullopt)};
    ui_->ExpectMsgBox(ui::vbOK, "Could not an html element with name=workingLatLong in the VRQ860 window");
    EXPECT_EQ(GetLatLonFromVRQ860(), "");

    browser_->pages = {};
    ui_->ExpectMsgBox(ui::vbOK, "Could not an html element with name=workingLatLong in the VRQ860 window");
    ui_->ExpectMsgBox(ui::vbOK, "Could not find VRQ860 window");
    EXPECT_EQ(GetLatLonFromVRQ860(), "");
    EXPECT_EQ(ui_->shown.size(), 7u);
}

TEST_F(CaseLatLon, DebuggingPortFromTheSettingsStore) {
    EXPECT_EQ(Browser_DebuggingPort(), 9222);
    for (auto [stored, port] : std::vector<std::pair<const char*, int>>{
             {"9333", 9333}, {" 12345 ", 12345}, {"0", 9222}, {"70000", 9222}, {"92x", 9222}, {"", 9222}}) {
        settings::SaveSetting("Tessawin", "Browser", "DebuggingPort", stored);
        EXPECT_EQ(Browser_DebuggingPort(), port) << stored;
    }
}

}  // namespace
