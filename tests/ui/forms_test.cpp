#include "platform/ui/forms.h"

#include <string>
#include <vector>

#include "platform/ui/backend.h"
#include "tests/support/headless.h"

namespace {

// A small window with one of each kind of control.
class TestForm : public ui::Form {
public:
    explicit TestForm(std::string name = "frmTest") : ui::Form(std::move(name), "Test Window") {
        tabs.SetTabs(3);
        for (int i = 0; i < 3; ++i) tabs.SetTabCaption(i, "Page " + std::to_string(i));
        txtA.SetText("design");
        chkB.SetCaption("Tick me");
        optX.SetValue(true);
        optP.SetValue(true);
        cmdGo.SetCaption("Go");
        cmdGo.SetDefault(true);
        cmdStop.SetCancel(true);
        Status.SetFontName("Courier New");
        Status.SetMultiLine(true);
    }

    ui::TabStrip& tabs = Add<ui::TabStrip>("SSTab1");
    ui::TextBox& txtA = Add<ui::TextBox>("txtA", ui::OnTab(tabs, 0));
    ui::CheckBox& chkB = Add<ui::CheckBox>("chkB", ui::OnTab(tabs, 0));
    ui::Frame& Frame1 = Add<ui::Frame>("Frame1", ui::OnTab(tabs, 1));
    ui::OptionButton& optX = Add<ui::OptionButton>("optX", ui::In(Frame1));
    ui::OptionButton& optY = Add<ui::OptionButton>("optY", ui::In(Frame1));
    ui::OptionButton& optP = Add<ui::OptionButton>("optP");
    ui::OptionButton& optQ = Add<ui::OptionButton>("optQ");
    ui::Label& lblInfo = Add<ui::Label>("lblInfo");
    ui::ListBox& lstItems = Add<ui::ListBox>("lstItems");
    ui::CommandButton& cmdGo = Add<ui::CommandButton>("cmdGo");
    ui::CommandButton& cmdStop = Add<ui::CommandButton>("cmdStop");
    ui::TextBox& Status = Add<ui::TextBox>("Status");
    ui::ControlArray<ui::CheckBox> chkCS = AddArray<ui::CheckBox>("chkCS", 1, 14);

    std::vector<std::string> log;
    int16_t cancel_unload = 0;

protected:
    void Form_Load() override {
        log.push_back("load");
        lblInfo.SetCaption("loaded");
    }
    void Form_Unload(int16_t& Cancel) override {
        log.push_back("unload");
        Cancel = cancel_unload;
    }
};

using Forms = testsupport::HeadlessTest;

TEST_F(Forms, RegistryFindsLoadedFormsByNameInLoadingOrder) {
    TestForm a("frmShortSections"), b("frmSDF_KML");
    EXPECT_EQ(ui::FindForm("frmShortSections"), nullptr);
    b.Load();
    a.Show();
    ASSERT_EQ(ui::LoadedForms().size(), 2u);
    EXPECT_EQ(ui::LoadedForms()[0], &b);
    EXPECT_EQ(ui::FindForm("FRMSHORTSECTIONS"), &a);
    EXPECT_TRUE(a.Visible());
    EXPECT_FALSE(b.Visible());
    EXPECT_TRUE(b.Unload());
    EXPECT_EQ(ui::FindForm("frmSDF_KML"), nullptr);
    EXPECT_EQ(ui::LoadedForms().size(), 1u);
}

TEST_F(Forms, UnloadCanBeCancelledAndDestructionLeavesTheRegistry) {
    {
        TestForm f;
        f.Show();
        f.cancel_unload = 1;
        EXPECT_FALSE(f.Unload());
        EXPECT_TRUE(f.Loaded());
        EXPECT_TRUE(f.Visible());
        f.cancel_unload = 0;
        EXPECT_TRUE(f.Unload());
        EXPECT_FALSE(f.Visible());
        EXPECT_EQ(f.log, (std::vector<std::string>{"load", "unload", "unload"}));
        f.Load();
    }
    EXPECT_TRUE(ui::LoadedForms().empty());
}

TEST_F(Forms, ReloadStartsFromTheDesignState) {
    TestForm f;
    f.Load();
    f.Load();  // loaded already: Form_Load does not run again
    EXPECT_EQ(f.log.size(), 1u);
    f.txtA.SetText("typed");
    f.chkB.SetValue(1);
    f.optY.SetValue(true);
    f.lstItems.AddItem("one");
    f.tabs.SetTab(2);
    f.SetCaption("changed");
    f.Hide();
    EXPECT_EQ(f.txtA.Text(), "typed");  // hiding keeps everything
    f.Unload();
    f.Show();
    EXPECT_EQ(f.txtA.Text(), "design");
    EXPECT_EQ(f.chkB.Value(), 0);
    EXPECT_TRUE(f.optX.Value());
    EXPECT_FALSE(f.optY.Value());
    EXPECT_EQ(f.lstItems.ListCount(), 0);
    EXPECT_EQ(f.tabs.Tab(), 0);
    EXPECT_EQ(f.Caption(), "Test Window");
    EXPECT_EQ(f.lblInfo.Caption(), "loaded");
}

TEST_F(Forms, EventsFireOnlyWhenTheValueChanges) {
    TestForm f;
    int changes = 0, clicks = 0;
    std::vector<int> previous_tabs;
    f.txtA.OnChange = [&] { ++changes; };
    f.chkB.OnClick = [&] { ++clicks; };
    f.tabs.OnClick = [&](int previous) { previous_tabs.push_back(previous); };
    f.Load();
    f.txtA.SetText("design");
    f.txtA.SetText("new");
    f.txtA.SetText("new");
    EXPECT_EQ(changes, 1);
    f.txtA.SetSelStart(1);
    f.txtA.AppendText("");
    f.txtA.AppendText(" line\r\n");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(f.txtA.Text(), "new line\r\n");
    EXPECT_EQ(f.txtA.SelStart(), 10) << "the caret goes to the end, as after SetText";
    EXPECT_EQ(f.txtA.AppendedFrom(), 3u);
    f.chkB.SetValue(0);
    f.chkB.SetValue(2);
    EXPECT_EQ(clicks, 1);
    f.tabs.SetTab(0);  // current already
    f.tabs.SetTab(2);
    f.tabs.SetTab(7);  // no such page
    f.tabs.SetTab(1);
    EXPECT_EQ(previous_tabs, (std::vector<int>{0, 2}));
    EXPECT_EQ(f.tabs.TabCaption(1), "Page 1");
    EXPECT_EQ(f.tabs.TabCaption(3), "");
}

TEST_F(Forms, CheckBoxClickCycles) {
    TestForm f;
    struct Case {
        int before, after;
    } cases[] = {{0, 1}, {1, 0}, {2, 1}};
    for (const Case& c : cases) {
        f.chkB.SetValue(c.before);
        f.chkB.Click();
        EXPECT_EQ(f.chkB.Value(), c.after) << "from " << c.before;
    }
}

TEST_F(Forms, OptionButtonsAreGroupedByContainer) {
    TestForm f;
    int clicks_y = 0, clicks_q = 0;
    f.optY.OnClick = [&] { ++clicks_y; };
    f.optQ.OnClick = [&] { ++clicks_q; };
    f.Load();
    f.optY.Click();
    EXPECT_TRUE(f.optY.Value());
    EXPECT_FALSE(f.optX.Value());
    EXPECT_TRUE(f.optP.Value()) << "another group is left alone";
    f.optY.Click();  // on already: no event
    EXPECT_EQ(clicks_y, 1);
    f.optQ.SetValue(true);
    EXPECT_FALSE(f.optP.Value());
    EXPECT_TRUE(f.optY.Value());
    EXPECT_EQ(clicks_q, 1);
    f.optQ.SetValue(false);  // turning one off turns no other on
    EXPECT_FALSE(f.optP.Value());
    EXPECT_EQ(clicks_q, 1);
}

TEST_F(Forms, ControlArraysAndLookupByName) {
    TestForm f;
    EXPECT_EQ(f.chkCS.LBound(), 1);
    EXPECT_EQ(f.chkCS.UBound(), 14);
    f.chkCS(3).SetValue(1);
    EXPECT_EQ(f.Find<ui::CheckBox>("CHKCS", 3), &f.chkCS(3));
    EXPECT_EQ(f.Find<ui::CheckBox>("chkCS", 3)->Value(), 1);
    EXPECT_TRUE(f.chkCS(14).IsArrayElement());
    EXPECT_FALSE(f.chkB.IsArrayElement());
    EXPECT_EQ(f.FindControl("chkCS"), nullptr) << "an array element is not the plain name";
    EXPECT_EQ(f.Find<ui::TextBox>("chkB"), nullptr) << "wrong kind";
    EXPECT_THROW(f.chkCS(15), std::out_of_range);
    // Creation order: the array's elements follow the controls made before it.
    EXPECT_EQ(f.Controls().front()->Name(), "SSTab1");
    EXPECT_EQ(f.Controls().back().get(), &f.chkCS(14));
    EXPECT_EQ(f.txtA.Container(), &f.tabs);
    EXPECT_EQ(f.txtA.ContainerTab(), 0);
    EXPECT_EQ(f.optX.Container(), &f.Frame1);
    EXPECT_EQ(f.optX.ContainerTab(), -1);
}

TEST_F(Forms, FocusGoesOnlyWhereItCanBeTaken) {
    TestForm f;
    f.txtA.SetFocus();
    EXPECT_EQ(f.ActiveControl(), nullptr) << "not loaded";
    f.Show();
    f.txtA.SetFocus();
    EXPECT_TRUE(f.txtA.HasFocus());
    f.lblInfo.SetFocus();
    EXPECT_EQ(f.ActiveControl(), &f.txtA);
    f.chkB.SetEnabled(false);
    f.chkB.SetFocus();
    EXPECT_EQ(f.ActiveControl(), &f.txtA);
    f.txtA.SetVisible(false);
    EXPECT_EQ(f.ActiveControl(), nullptr) << "a hidden control loses the focus";
}

TEST_F(Forms, ListBoxEntriesAndSelection) {
    TestForm f;
    int clicks = 0;
    f.lstItems.OnClick = [&] { ++clicks; };
    f.lstItems.AddItem("b");
    f.lstItems.AddItem("a", 0);
    f.lstItems.AddItem("c");
    EXPECT_EQ(f.lstItems.ListCount(), 3);
    EXPECT_EQ(f.lstItems.List(0), "a");
    EXPECT_EQ(f.lstItems.List(5), "");
    f.lstItems.SetListIndex(1);
    EXPECT_TRUE(f.lstItems.Selected(1));
    f.lstItems.AddItem("first", 0);
    EXPECT_EQ(f.lstItems.ListIndex(), 2) << "the current entry moves with its text";
    f.lstItems.RemoveItem(2);
    EXPECT_EQ(f.lstItems.ListIndex(), -1);
    EXPECT_EQ(clicks, 1);

    f.lstItems.SetMultiSelect(true);
    f.lstItems.ClickItem(0);
    f.lstItems.ClickItem(2);
    f.lstItems.ClickItem(0);
    EXPECT_FALSE(f.lstItems.Selected(0));
    EXPECT_TRUE(f.lstItems.Selected(2));
    EXPECT_EQ(f.lstItems.SelCount(), 1);
    EXPECT_EQ(clicks, 4);
    f.lstItems.Clear();
    EXPECT_EQ(f.lstItems.ListCount(), 0);
    EXPECT_EQ(f.lstItems.SelCount(), 0);
}

TEST_F(Forms, TypingRunsKeyPressAndTheDefaultButton) {
    TestForm f;
    int go = 0, stop = 0;
    f.cmdGo.OnClick = [&] { ++go; };
    f.cmdStop.OnClick = [&] { ++stop; };
    f.txtA.OnKeyPress = [&](int16_t& key) {
        if (key == 'x') key = 0;    // swallowed
        if (key == 'a') key = 'A';  // changed
    };
    f.Load();
    f.txtA.SetText("");
    f.txtA.Type("axbx\r");
    EXPECT_EQ(f.txtA.Text(), "Ab");
    EXPECT_EQ(go, 1);
    f.txtA.Type("\x1b\b");
    EXPECT_EQ(stop, 1);
    EXPECT_EQ(f.txtA.Text(), "A");
    f.txtA.SetSelStart(0);
    f.txtA.SetSelLength(1);
    f.txtA.Type("z");
    EXPECT_EQ(f.txtA.Text(), "z");
    f.txtA.SetLocked(true);
    f.txtA.Type("q");
    EXPECT_EQ(f.txtA.Text(), "z");
    EXPECT_EQ(f.txtA.KeyPress(13), 13);
    // Only one default button per form.
    f.cmdStop.SetDefault(true);
    EXPECT_FALSE(f.cmdGo.Default());
    EXPECT_EQ(f.DefaultButton(), &f.cmdStop);
}

TEST_F(Forms, DisabledButtonIgnoresAClick) {
    TestForm f;
    int go = 0;
    f.cmdGo.OnClick = [&] { ++go; };
    f.cmdGo.SetEnabled(false);
    ui::ClickButton(f.cmdGo);
    EXPECT_EQ(go, 0);
    f.cmdGo.SetEnabled(true);
    ui::ClickButton(f.cmdGo);
    EXPECT_EQ(go, 1);
}

TEST_F(Forms, AbandonEndsTheWholeCommandNotTheProgram) {
    TestForm f;
    std::vector<std::string> steps;
    f.txtA.OnChange = [&] {
        steps.push_back("change");
        throw ui::CommandAbandoned("bad input");
    };
    f.cmdGo.OnClick = [&] {
        steps.push_back("click");
        f.txtA.SetText("set by the command");  // its Change abandons the command
        steps.push_back("after");
    };
    f.cmdGo.Click();
    EXPECT_EQ(steps, (std::vector<std::string>{"click", "change"}));
    f.cmdGo.OnClick = [&] { throw std::runtime_error("disk gone"); };
    ui_->ExpectMsgBox(ui::vbOK, "disk gone");
    f.cmdGo.Click();
    // Outermost again inside a user-event scope.
    ui::RaiseEvent([&] {
        ui::UserEventScope user;
        f.txtA.SetText("typed while running");
        steps.push_back("still running");
    });
    EXPECT_EQ(steps.back(), "still running");
}

TEST_F(Forms, CommandSerialChangesWithEveryCommandNotWithinOne) {
    TestForm f;
    std::vector<unsigned long> seen;
    f.txtA.OnChange = [&] { seen.push_back(ui::CommandSerial()); };
    f.cmdGo.OnClick = [&] {
        seen.push_back(ui::CommandSerial());
        f.txtA.SetText("set by the command");  // nested: the same command
    };
    f.cmdGo.Click();
    f.cmdGo.Click();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0], seen[1]);
    EXPECT_NE(seen[2], seen[1]);
    // Events the user raises while a command lets the event loop run are
    // commands of their own.
    unsigned long outer = 0, inner = 0;
    ui::RaiseEvent([&] {
        outer = ui::CommandSerial();
        ui::UserEventScope user;
        ui::RaiseEvent([&] { inner = ui::CommandSerial(); });
    });
    EXPECT_NE(inner, outer);
}

TEST_F(Forms, ModalShowHandsTheFormToTheTest) {
    TestForm main_form("MainForm"), dialog("frmClassVol");
    main_form.Show();
    std::vector<std::string> seen;
    ui_->on_modal = [&](ui::Form& f) {
        seen.push_back(f.Name());
        EXPECT_TRUE(f.Visible());
        EXPECT_TRUE(f.Modal());
        f.Hide();
    };
    dialog.Show(ui::vbModal);
    EXPECT_EQ(seen, std::vector<std::string>{"frmClassVol"});
    EXPECT_FALSE(dialog.Visible());
    EXPECT_TRUE(dialog.Loaded()) << "hidden, not unloaded";
    EXPECT_FALSE(dialog.Modal());
}

TEST_F(Forms, FixedPitchFollowsTheFontName) {
    TestForm f;
    EXPECT_TRUE(f.Status.FixedPitch());
    f.Status.SetFontName("MS Sans Serif");
    EXPECT_FALSE(f.Status.FixedPitch());
    f.Status.SetFixedPitch(true);
    EXPECT_TRUE(f.Status.FixedPitch());
}

// The backend hears of changes only while the form is loaded.
class RecordingBackend : public ui::HeadlessBackend {
public:
    std::vector<std::string> events;
    void FormShown(ui::Form& f) override { events.push_back("shown " + f.Name()); }
    void FormHidden(ui::Form& f) override { events.push_back("hidden " + f.Name()); }
    void FormUnloaded(ui::Form& f) override { events.push_back("unloaded " + f.Name()); }
    void ControlChanged(ui::Control& c, ui::Prop) override { events.push_back("changed " + c.Name()); }
    void FocusChanged(ui::Control& c) override { events.push_back("focus " + c.Name()); }
    void Repaint(ui::Control& c) override { events.push_back("paint " + c.Name()); }
};

TEST(FormHost, HearsShowHideChangesAndRepaints) {
    auto backend = std::make_shared<RecordingBackend>();
    ui::SetBackend(backend);
    {
        TestForm f;
        f.txtA.SetText("before load");
        f.Show();
        f.lblInfo.SetCaption("x");
        f.Status.Refresh();
        f.txtA.SetFocus();
        f.Hide();
        f.Unload();
    }
    ui::SetBackend(nullptr);
    EXPECT_EQ(backend->events,
              (std::vector<std::string>{"changed lblInfo", "shown frmTest", "changed lblInfo", "paint Status",
                                        "focus txtA", "hidden frmTest", "unloaded frmTest"}));
}

}  // namespace
