#include "common/FormSettings.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <string>

#include "platform/settings/settings.h"
#include "tests/support/headless.h"

namespace fs = std::filesystem;

namespace {

class SettingsWindow : public ui::Form {
public:
    explicit SettingsWindow(std::string name = "frmSettingsTest") : ui::Form(std::move(name)) {}
    ui::TextBox& txtName = Add<ui::TextBox>("txtName");
    ui::CheckBox& chkFlag = Add<ui::CheckBox>("chkFlag");
    ui::Frame& fraChoice = Add<ui::Frame>("fraChoice");
    ui::OptionButton& optA = Add<ui::OptionButton>("optA", ui::In(fraChoice));
    ui::OptionButton& optB = Add<ui::OptionButton>("optB", ui::In(fraChoice));
    ui::TextBox& Name = Add<ui::TextBox>("Name");          // no prefix: left alone
    ui::TextBox& TxtUpper = Add<ui::TextBox>("TxtUpper");  // prefix is case-sensitive
    ui::Label& txtCaption = Add<ui::Label>("txtCaption");  // not a text box
    ui::ControlArray<ui::CheckBox> chkSlot = AddArray<ui::CheckBox>("chkSlot", 1, 2);
};

class FormSettingsTest : public testsupport::HeadlessTest {
protected:
    void SetUp() override {
        HeadlessTest::SetUp();
        dir_ = fs::temp_directory_path() / ("formsettings_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
        settings::SetStoreFolder(dir_.string());
    }
    void TearDown() override {
        settings::SetStoreFolder("");
        std::error_code ec;
        fs::remove_all(dir_, ec);
        HeadlessTest::TearDown();
    }
    static std::string Stored(const std::string& section, const std::string& key) {
        return settings::GetSetting("Tessawin", section, key, "<missing>");
    }
    fs::path dir_;
};

TEST_F(FormSettingsTest, SaveWritesTheTxtChkAndOptControlsAsText) {
    SettingsWindow w;
    w.Load();
    w.txtName.SetText("  spaced  ");
    w.chkFlag.SetValue(ui::vbGrayed);
    w.optB.SetValue(true);
    w.Name.SetText("n");
    w.TxtUpper.SetText("u");
    w.txtCaption.SetCaption("c");
    w.chkSlot(2).SetValue(ui::vbChecked);
    Form_Save_Settings(w, "");
    EXPECT_EQ(Stored("frmSettingsTest", "txtName"), "  spaced  ");
    EXPECT_EQ(Stored("frmSettingsTest", "chkFlag"), "2");
    EXPECT_EQ(Stored("frmSettingsTest", "optA"), "False");
    EXPECT_EQ(Stored("frmSettingsTest", "optB"), "True");
    EXPECT_EQ(Stored("frmSettingsTest", "Name"), "<missing>");
    EXPECT_EQ(Stored("frmSettingsTest", "TxtUpper"), "<missing>");
    EXPECT_EQ(Stored("frmSettingsTest", "txtCaption"), "<missing>");
    // Array elements share one key; the last one written stays.
    EXPECT_EQ(Stored("frmSettingsTest", "chkSlot"), "1");
    w.Unload();
}

TEST_F(FormSettingsTest, RestoreBringsBackWhatSaveWrote) {
    SettingsWindow a;
    a.Load();
    a.txtName.SetText("kept");
    a.chkFlag.SetValue(ui::vbChecked);
    a.optB.SetValue(true);
    Form_Save_Settings(a, "shared");
    a.Unload();

    SettingsWindow b("frmOther");
    b.Load();
    Form_Restore_Settings(b, "shared");
    EXPECT_EQ(b.txtName.Text(), "kept");
    EXPECT_EQ(b.chkFlag.Value(), ui::vbChecked);
    EXPECT_FALSE(b.optA.Value());
    EXPECT_TRUE(b.optB.Value());
    b.Unload();
}

TEST_F(FormSettingsTest, RestoreGivesTheDefaultsForMissingOrUnusableValues) {
    struct Case {
        std::string chk, opt;
        int want_chk;
        bool want_opt;
    } cases[] = {
        {"<none>", "<none>", ui::vbUnchecked, false},
        {"1", "True", ui::vbChecked, true},
        {"2", "true", ui::vbGrayed, true},
        {"x", "-1", ui::vbUnchecked, true},
        {"3", "0", ui::vbUnchecked, false},
        {"", "yes", ui::vbUnchecked, false},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chk + " | " + c.opt);
        const std::string section = "case" + std::to_string(++n);
        if (c.chk != "<none>") settings::SaveSetting("Tessawin", section, "chkFlag", c.chk);
        if (c.opt != "<none>") settings::SaveSetting("Tessawin", section, "optA", c.opt);
        SettingsWindow w;
        w.Load();
        w.txtName.SetText("before");
        w.chkFlag.SetValue(ui::vbChecked);
        Form_Restore_Settings(w, section);
        EXPECT_EQ(w.txtName.Text(), "");
        EXPECT_EQ(w.chkFlag.Value(), c.want_chk);
        EXPECT_EQ(w.optA.Value(), c.want_opt);
        w.Unload();
    }
}

// First-run defaults stand in for keys not stored yet; a stored value, an
// empty one too, wins.
TEST_F(FormSettingsTest, GivenDefaultsFillOnlyWhatIsNotStored) {
    const std::map<std::string, std::string> defaults = {{"txtName", "sample.csv"}, {"chkFlag", "1"}, {"optB", "True"}};
    SettingsWindow w;
    w.Load();
    Form_Restore_Settings(w, "fresh", defaults);
    EXPECT_EQ(w.txtName.Text(), "sample.csv");
    EXPECT_EQ(w.chkFlag.Value(), ui::vbChecked);
    EXPECT_TRUE(w.optB.Value());
    EXPECT_FALSE(w.optA.Value());

    settings::SaveSetting("Tessawin", "used", "txtName", "");
    settings::SaveSetting("Tessawin", "used", "chkFlag", "0");
    settings::SaveSetting("Tessawin", "used", "optB", "False");
    settings::SaveSetting("Tessawin", "used", "optA", "True");
    Form_Restore_Settings(w, "used", defaults);
    EXPECT_EQ(w.txtName.Text(), "");
    EXPECT_EQ(w.chkFlag.Value(), ui::vbUnchecked);
    EXPECT_TRUE(w.optA.Value());
    EXPECT_FALSE(w.optB.Value());
    w.Unload();
}

TEST_F(FormSettingsTest, FormIndexFindsLoadedWindowsInLoadingOrder) {
    SettingsWindow one("frmOne"), two("frmTwo"), three("frmOne");
    EXPECT_EQ(Form_Index("frmOne"), -99);
    two.Load();
    one.Load();
    three.Load();
    EXPECT_EQ(Form_Index("frmTwo"), 0);
    EXPECT_EQ(Form_Index("FRMONE"), 1);  // the first match wins
    EXPECT_EQ(Form_Index("frmThree"), -99);
    two.Unload();
    EXPECT_EQ(Form_Index("frmtwo"), -99);
    EXPECT_EQ(Form_Index("frmOne"), 0);
    one.Unload();
    three.Unload();
}

TEST_F(FormSettingsTest, KeepOnScreenAtAndBeyondItsLimits) {
    const int sw = 1920 * 15, sh = 1080 * 15, w = 12000, h = 9000;
    const int centre_top = (sh - h) / 2, centre_left = (sw - w) / 2;
    struct Case {
        int top, left;
        int16_t given_top, given_left;
        int want_top, want_left;
    } cases[] = {
        {0, 0, -1, -1, 0, 0},
        {sh - 600, sw - 300, -1, -1, sh - 600, sw - 300},  // exactly at the limits: stays
        {sh - 599, 500, -1, -1, centre_top, 500},          // top beyond: centred, left alone
        {500, sw - 299, -1, -1, 500, centre_left},         // left beyond: centred, top alone
        {-1, -1, -1, -1, centre_top, centre_left},
        {-5000, 40000, 120, 240, 120, 240},  // given position
        {700, 900, 120, 240, 700, 900},      // on screen: given position unused
    };
    SettingsWindow f;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.top) + "," + std::to_string(c.left));
        f.Move(c.left, c.top, w, h);
        Form_KeepOnScreen(f, c.given_top, c.given_left);
        EXPECT_EQ(f.Top(), c.want_top);
        EXPECT_EQ(f.Left(), c.want_left);
    }
}

TEST_F(FormSettingsTest, IsControlArray) {
    SettingsWindow f;
    EXPECT_TRUE(Is_Control_Array(f.chkSlot(1)));
    EXPECT_FALSE(Is_Control_Array(f.chkFlag));
}

}  // namespace
