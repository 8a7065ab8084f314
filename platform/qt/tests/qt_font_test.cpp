// Fixed-pitch text boxes on a desktop whose "monospace" is a proportional
// face. The program gets its own font configuration before Qt starts: the
// system's fonts, with "monospace" and "Courier New" bound to DejaVu Sans.
#include <gtest/gtest.h>

#include <QFontDatabase>
#include <QFontInfo>
#include <QPlainTextEdit>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

#include "platform/qt/QtApp.h"
#include "platform/ui/backend.h"
#include "platform/ui/forms.h"
#include "tests/support/qt.h"

namespace {

namespace fs = std::filesystem;

constexpr const char* kProportionalMonospace = R"(<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "fonts.dtd">
<fontconfig>
  <match target="pattern">
    <test name="family" qual="any"><string>monospace</string></test>
    <edit name="family" mode="assign_replace" binding="strong"><string>DejaVu Sans</string></edit>
  </match>
  <match target="pattern">
    <test name="family" qual="any"><string>Courier New</string></test>
    <edit name="family" mode="assign_replace" binding="strong"><string>DejaVu Sans</string></edit>
  </match>
  <include ignore_missing="yes">/etc/fonts/fonts.conf</include>
</fontconfig>
)";

class StatusForm : public ui::Form {
public:
    StatusForm() : ui::Form("frmStatus", "Status") {
        Move(0, 0, 6000, 3000);
        Status.SetMultiLine(true);
        Status.Move(120, 120, 5000, 2000);
    }
    ui::TextBox& Status = Add<ui::TextBox>("Status");
};

class FixedPitchFontTest : public testsupport::QtTest {
protected:
    static fs::path dir() { return fs::temp_directory_path() / ("tw_fonts_" + std::to_string(::getpid())); }
    static void SetUpTestSuite() {
        fs::create_directories(dir());
        std::ofstream(dir() / "fonts.conf") << kProportionalMonospace;
        ::setenv("FONTCONFIG_FILE", (dir() / "fonts.conf").c_str(), 1);
        testsupport::QtTest::SetUpTestSuite();
    }
    static void TearDownTestSuite() {
        std::error_code ec;
        fs::remove_all(dir(), ec);
    }
};

TEST_F(FixedPitchFontTest, DesktopMonospaceIsProportionalHere) {
    // Without this the cases below would prove nothing.
    EXPECT_FALSE(QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).fixedPitch());
    EXPECT_TRUE(QFontDatabase::isFixedPitch("DejaVu Sans Mono")) << "fonts-dejavu-core is missing";
}

TEST_F(FixedPitchFontTest, FixedPitchBoxGetsAnInstalledMonospaceFamily) {
    struct Case {
        const char* font_name;  // "" = fixed pitch asked for without a face
    };
    for (const Case& c : {Case{"Courier New"}, Case{""}, Case{"DejaVu Sans"}}) {
        SCOPED_TRACE(c.font_name);
        StatusForm f;
        if (*c.font_name) f.Status.SetFontName(c.font_name);
        f.Status.SetFixedPitch(true);
        f.Show();
        auto* box = qobject_cast<QPlainTextEdit*>(tw_qt::WidgetOf(f.Status));
        ASSERT_NE(box, nullptr);
        const QFontInfo info(box->font());
        EXPECT_TRUE(info.fixedPitch()) << info.family().toStdString();
        f.Unload();
    }
}

TEST_F(FixedPitchFontTest, ProportionalBoxKeepsItsFace) {
    StatusForm f;
    f.Status.SetFontName("DejaVu Serif");
    f.Show();
    auto* box = qobject_cast<QPlainTextEdit*>(tw_qt::WidgetOf(f.Status));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(QFontInfo(box->font()).family(), "DejaVu Serif");
    f.Unload();
}

}  // namespace
