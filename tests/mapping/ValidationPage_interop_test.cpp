// The validation page read from a real Chromium-family browser through its
// remote-debugging interface: chromium-headless-shell on fixture pages and on
// the sample's stand-in page. Skipped when the browser is not installed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include "common/DataFolders.h"
#include "platform/shell/json_text.h"
#include "platform/shell/websocket.h"
#include "tests/mapping/mapcase_support.h"
#include "tests/support/kml_check.h"

namespace {

using namespace mapcase_test;

std::string FindOnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string list = path ? path : "";
    std::size_t start = 0;
    while (start <= list.size()) {
        std::size_t colon = list.find(':', start);
        if (colon == std::string::npos) colon = list.size();
        const std::string candidate = list.substr(start, colon - start) + "/" + program;
        if (!list.substr(start, colon - start).empty() && ::access(candidate.c_str(), X_OK) == 0) return candidate;
        start = colon + 1;
    }
    return "";
}

class ValidationPageInterop : public MapCaseTest {
protected:
    void SetUp() override {
        MapCaseTest::SetUp();
        shell::SetBrowserPages(nullptr);  // the real browser
        browser_exe_ = FindOnPath("chromium-headless-shell");
    }
    void TearDown() override {
        if (pid_ > 0) {
            ::kill(-pid_, SIGTERM);
            int st = 0;
            for (int i = 0; i < 50 && ::waitpid(pid_, &st, WNOHANG) == 0; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
            if (::waitpid(pid_, &st, WNOHANG) == 0) {
                ::kill(-pid_, SIGKILL);
                ::waitpid(pid_, &st, 0);
            }
        }
        MapCaseTest::TearDown();
    }

    // Starts the browser on the pages; the port it listens on, or 0.
    int StartBrowser(const std::vector<std::string>& urls, int expect_pages) {
        const std::string profile = dir_.file("profile");
        std::vector<std::string> argv = {browser_exe_, "--remote-debugging-port=0", "--user-data-dir=" + profile,
                                         "--no-sandbox", "--no-first-run", "--disable-gpu"};
        argv.insert(argv.end(), urls.begin(), urls.end());
        pid_ = ::fork();
        if (pid_ == 0) {
            ::setpgid(0, 0);
            std::freopen("/dev/null", "w", stderr);
            std::vector<char*> args;
            for (auto& a : argv) args.push_back(a.data());
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            ::_exit(127);
        }
        ::setpgid(pid_, pid_);
        // The browser writes its port into the profile; then the pages load.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        int port = 0;
        while (std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            int st = 0;
            if (::waitpid(pid_, &st, WNOHANG) == pid_) {  // it gave up
                pid_ = -1;
                return 0;
            }
            if (port == 0) {
                std::ifstream in(profile + "/DevToolsActivePort");
                in >> port;
                if (port == 0) continue;
            }
            std::string body;
            shell::json::Value list;
            if (!shell::LoopbackHttpGet(port, "/json", body) || !shell::json::Parse(body, list)) continue;
            int titled = 0;
            for (const auto& e : list.array)
                if (e.Text("type") == "page" && !e.Text("title").empty() &&
                    e.Text("title").find("file://") == std::string::npos && e.Text("title").find(".html") == std::string::npos)
                    ++titled;
            if (titled >= expect_pages) return port;
        }
        return 0;
    }

    std::string browser_exe_;
    pid_t pid_ = -1;
};

TEST_F(ValidationPageInterop, CaseAndWorkingPositionFromTheBrowser) {
    if (browser_exe_.empty()) GTEST_SKIP() << "chromium-headless-shell is not installed";
    // The headless shell shows one page; pages that do not qualify are the
    // fixture tests' business.
    const std::string page = dir_.file("vrq.html");
    std::ofstream(page) << "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>VRQ860 &amp; more</title>"
                           "</head><body><table><tr><th>Date</th><td>2020-06-14</td></tr><tr><th>Collision "
                           "Validation <b>case</b> 12345678</th></tr></table><div name=\"x\"></div>"
                           "<input type=\"hidden\" name=\"workingLatLong\" value=\"49.716128, -123.150530\">"
                           "<input name=\"workingLatLong\" value=\"0,0\"></body></html>";
    const int port = StartBrowser({"file://" + page}, 1);
    ASSERT_GT(port, 0) << "the browser did not come up";
    settings::SaveSetting("Tessawin", "Browser", "DebuggingPort", std::to_string(port));

    EXPECT_EQ(GetCaseFromVRQ860(), "12345678");
    EXPECT_EQ(GetLatLonFromVRQ860(), "49.716128, -123.150530");
}

// The tab's commands on the sample's stand-in page and the sample table.
TEST_F(ValidationPageInterop, SamplePageAndTable) {
    if (browser_exe_.empty()) GTEST_SKIP() << "chromium-headless-shell is not installed";
    const std::string sample_page = Sample_Folder() + "collisions/VRQ860_sample.html";
    ASSERT_TRUE(fs::exists(sample_page));
    const int port = StartBrowser({"file://" + sample_page}, 1);
    ASSERT_GT(port, 0) << "the browser did not come up";
    settings::SaveSetting("Tessawin", "Browser", "DebuggingPort", std::to_string(port));
    form().Unload();
    form().Load();  // nothing configured: the sample's batch folder

    click("cmdGetCaseMap");
    EXPECT_EQ(status_lines_last(), "Mapped.") << status();
    EXPECT_EQ(form().txtAccase.Text(), "10004321");
    EXPECT_EQ(last_argv(), (std::vector<std::string>{viewer_, kml_file("10004321")}));
    click("cmdGetLatLonMap");
    EXPECT_EQ(form().txtLatLon.Text(), "49.107129, -122.857581");
    EXPECT_EQ(status_lines_last(), "Mapped 10004321");
}

// The one-placemark file of a mapped case, as a KML reader sees it.
TEST_F(ValidationPageInterop, CasePlacemarkOpensInAKmlReader) {
    std::string Status;
    GoogleMapLatLon("Case 10004321 & <x>", "49.107129, -122.857581", Status);
    ASSERT_EQ(Status, "");
    const kmlcheck::Reading r = kmlcheck::Gpsbabel(kml_file("Case 10004321 & _x_"));
    ASSERT_TRUE(r.ok);
    ASSERT_EQ(r.waypoints.size(), 1u);
    EXPECT_EQ(r.waypoints[0].name, "Case 10004321 & <x>");
    EXPECT_NEAR(r.waypoints[0].lat, 49.107129, 1e-9);
    EXPECT_NEAR(r.waypoints[0].lon, -122.857581, 1e-9);
}

}  // namespace
