// The Qt backend offscreen: widgets built from a form, bound both ways, and
// Qt's boxes answered by the program's conventions.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QImage>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <string>
#include <vector>

#include "platform/qt/QtApp.h"
#include "platform/qt/QtProbe.h"
#include "platform/ui/backend.h"
#include "platform/ui/forms.h"
#include "tests/support/qt.h"

namespace {

class SmokeForm : public ui::Form {
public:
    SmokeForm() : ui::Form("frmSmoke", "Smoke") {
        Move(1500, 1200, 9000, 6000);
        SSTab1.Move(120, 120, 8000, 4000);
        SSTab1.SetTabs(2);
        SSTab1.SetTabCaption(0, "First");
        SSTab1.SetTabCaption(1, "Second");
        txtName.Move(240, 600, 3000, 300);
        txtName.SetToolTipText("Your name.");
        chkOn.SetCaption("On");
        Frame1.SetCaption("Map with");
        optEarth.SetCaption("Earth");
        optMaps.SetCaption("Maps");
        optEarth.SetValue(true);
        Status.SetMultiLine(true);
        Status.SetScrollBars(ui::vbVertical);
        Status.SetFontName("Courier New");
        Status.Move(120, 4200, 8000, 1200);
        cmdGo.SetCaption("Go");
        lblNote.SetCaption("min && max");
    }

    ui::TabStrip& SSTab1 = Add<ui::TabStrip>("SSTab1");
    ui::TextBox& txtName = Add<ui::TextBox>("txtName", ui::OnTab(SSTab1, 0));
    ui::CheckBox& chkOn = Add<ui::CheckBox>("chkOn", ui::OnTab(SSTab1, 0));
    ui::Frame& Frame1 = Add<ui::Frame>("Frame1", ui::OnTab(SSTab1, 1));
    ui::OptionButton& optEarth = Add<ui::OptionButton>("optEarth", ui::In(Frame1));
    ui::OptionButton& optMaps = Add<ui::OptionButton>("optMaps", ui::In(Frame1));
    ui::TextBox& Status = Add<ui::TextBox>("Status");
    ui::CommandButton& cmdGo = Add<ui::CommandButton>("cmdGo");
    ui::Label& lblNote = Add<ui::Label>("lblNote");
    ui::ListBox& lstItems = Add<ui::ListBox>("lstItems");
    ui::ControlArray<ui::TextBox> txtSlot = AddArray<ui::TextBox>("txtSlot", 1, 2);

    std::vector<std::string> log;
    int16_t cancel_unload = 0;

protected:
    void Form_Unload(int16_t& Cancel) override {
        log.push_back("unload");
        Cancel = cancel_unload;
    }
};

class QtBackendTest : public testsupport::QtTest {
protected:
    template <class W>
    W* Widget(const ui::Control& c) {
        return qobject_cast<W*>(tw_qt::WidgetOf(c));
    }
};

TEST_F(QtBackendTest, WidgetsAreBuiltAtTheirTwipPositions) {
    SmokeForm f;
    EXPECT_EQ(tw_qt::WindowOf(f), nullptr);
    f.Show();
    QWidget* window = tw_qt::WindowOf(f);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowTitle(), "Smoke");
    EXPECT_EQ(window->size(), QSize(600, 400));

    auto* tabs = Widget<QTabWidget>(f.SSTab1);
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(1), "Second");
    auto* name = Widget<QLineEdit>(f.txtName);
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->parentWidget(), tabs);
    EXPECT_EQ(name->geometry(), QRect(16, 40, 200, 20));
    EXPECT_EQ(name->toolTip(), "Your name.");
    EXPECT_EQ(Widget<QGroupBox>(f.Frame1)->title(), "Map with");
    EXPECT_EQ(Widget<QRadioButton>(f.optEarth)->parentWidget(), Widget<QGroupBox>(f.Frame1));
    auto* status = Widget<QPlainTextEdit>(f.Status);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(QFontInfo(status->font()).fixedPitch());
    EXPECT_EQ(Widget<QLabel>(f.lblNote)->text(), "min & max");
    EXPECT_EQ(tw_qt::FindWidget(f, "TXTSLOT", 2)->objectName(), "txtSlot(2)");
    // Only the current page's controls show.
    EXPECT_TRUE(name->isVisible());
    EXPECT_FALSE(Widget<QGroupBox>(f.Frame1)->isVisible());
}

TEST_F(QtBackendTest, PropertyChangesReachTheWidgets) {
    SmokeForm f;
    f.Show();
    f.txtName.SetText("typed by code");
    f.chkOn.SetValue(ui::vbGrayed);
    f.optMaps.SetValue(true);
    f.SSTab1.SetTab(1);
    f.lstItems.AddItem("one");
    f.lstItems.AddItem("two");
    f.lstItems.SetListIndex(1);
    f.cmdGo.SetEnabled(false);
    f.Status.SetText("line 1\r\nline 2");
    f.SetCaption("Smoke 5.4.9");
    EXPECT_EQ(Widget<QLineEdit>(f.txtName)->text(), "typed by code");
    EXPECT_EQ(Widget<QCheckBox>(f.chkOn)->checkState(), Qt::PartiallyChecked);
    EXPECT_TRUE(Widget<QRadioButton>(f.optMaps)->isChecked());
    EXPECT_FALSE(Widget<QRadioButton>(f.optEarth)->isChecked());
    EXPECT_EQ(Widget<QTabWidget>(f.SSTab1)->currentIndex(), 1);
    EXPECT_FALSE(Widget<QLineEdit>(f.txtName)->isVisible());
    EXPECT_TRUE(Widget<QGroupBox>(f.Frame1)->isVisible());
    auto* list = Widget<QListWidget>(f.lstItems);
    EXPECT_EQ(list->count(), 2);
    EXPECT_EQ(list->currentRow(), 1);
    EXPECT_FALSE(Widget<QPushButton>(f.cmdGo)->isEnabled());
    auto* status = Widget<QPlainTextEdit>(f.Status);
    EXPECT_EQ(status->toPlainText(), "line 1\nline 2");
    EXPECT_EQ(status->textCursor().position(), status->toPlainText().size()) << "the caret shows the end";
    f.Status.SetText(f.Status.Text() + "\r\nline 3");
    EXPECT_EQ(status->toPlainText(), "line 1\nline 2\nline 3");
    f.Status.SetText("fresh");
    EXPECT_EQ(status->toPlainText(), "fresh");
    f.txtSlot(1).SetText("a");
    f.txtSlot(1).SetMultiLine(true);
    ASSERT_NE(Widget<QPlainTextEdit>(f.txtSlot(1)), nullptr) << "a multi-line box gets a multi-line widget";
    EXPECT_EQ(Widget<QPlainTextEdit>(f.txtSlot(1))->toPlainText(), "a");
    EXPECT_EQ(tw_qt::WindowOf(f)->windowTitle(), "Smoke 5.4.9");
}

TEST_F(QtBackendTest, GraphicalOptionShowsItsPicture) {
    QTemporaryDir dir;
    QString png = dir.filePath("type1.png");
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(Qt::darkGray);
    ASSERT_TRUE(image.save(png));
    SmokeForm f;
    f.optMaps.Move(120, 600, 900, 900);
    f.optMaps.SetPicture(png.toStdString());
    f.Show();
    auto* radio = Widget<QRadioButton>(f.optMaps);
    EXPECT_FALSE(radio->icon().isNull());
    EXPECT_GE(radio->iconSize().height(), 32);
    EXPECT_TRUE(Widget<QRadioButton>(f.optEarth)->icon().isNull());
}

TEST_F(QtBackendTest, UserActionsReachTheFormAndRaiseItsEvents) {
    SmokeForm f;
    std::vector<std::string> events;
    f.txtName.OnChange = [&] { events.push_back("change " + f.txtName.Text()); };
    f.txtName.OnKeyPress = [&](int16_t& key) {
        if (key == '!') key = 0;
    };
    f.chkOn.OnClick = [&] { events.push_back("chk " + std::to_string(f.chkOn.Value())); };
    f.optMaps.OnClick = [&] { events.push_back("maps"); };
    f.SSTab1.OnClick = [&](int previous) { events.push_back("tab from " + std::to_string(previous)); };
    f.cmdGo.OnClick = [&] { events.push_back("go"); };
    f.Show();

    auto* name = Widget<QLineEdit>(f.txtName);
    QTest::keyClicks(name, "a!b");
    EXPECT_EQ(f.txtName.Text(), "ab");
    Widget<QCheckBox>(f.chkOn)->click();
    Widget<QTabWidget>(f.SSTab1)->setCurrentIndex(1);
    Widget<QRadioButton>(f.optMaps)->click();
    Widget<QRadioButton>(f.optMaps)->click();  // on already: stays on, no event
    Widget<QPushButton>(f.cmdGo)->click();
    EXPECT_EQ(events, (std::vector<std::string>{"change a", "change ab", "chk 1", "tab from 0", "maps", "go"}));
    EXPECT_TRUE(Widget<QRadioButton>(f.optMaps)->isChecked());
    EXPECT_FALSE(f.optEarth.Value());

    auto* status = Widget<QPlainTextEdit>(f.Status);
    status->setFocus();
    QTest::keyClicks(status, "x");
    QTest::keyClick(status, Qt::Key_Return);
    QTest::keyClicks(status, "y");
    EXPECT_EQ(f.Status.Text(), "x\r\ny");

    f.lstItems.AddItem("one");
    f.lstItems.AddItem("two");
    auto* list = Widget<QListWidget>(f.lstItems);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    EXPECT_EQ(f.lstItems.ListIndex(), 1);
}

TEST_F(QtBackendTest, MovingTheWindowMovesTheForm) {
    SmokeForm f;
    f.Show();
    QWidget* window = tw_qt::WindowOf(f);
    window->move(40, 30);
    QApplication::processEvents();
    EXPECT_EQ(f.Left(), window->frameGeometry().left() * 15);
    EXPECT_EQ(f.Top(), window->frameGeometry().top() * 15);
    f.Move(3000, 1500, 9000, 6000);
    EXPECT_EQ(window->frameGeometry().topLeft(), QPoint(200, 100));
}

TEST_F(QtBackendTest, FocusFollowsBothWays) {
    SmokeForm f;
    f.Show();
    QApplication::setActiveWindow(tw_qt::WindowOf(f));
    f.txtName.SetFocus();
    EXPECT_EQ(QApplication::focusWidget(), tw_qt::WidgetOf(f.txtName));
    Widget<QPlainTextEdit>(f.Status)->setFocus();
    EXPECT_EQ(f.ActiveControl(), &f.Status);
}

TEST_F(QtBackendTest, ClosingTheWindowUnloadsTheFormUnlessCancelled) {
    SmokeForm f;
    f.Show();
    f.cancel_unload = 1;
    tw_qt::WindowOf(f)->close();
    EXPECT_TRUE(f.Loaded());
    f.cancel_unload = 0;
    tw_qt::WindowOf(f)->close();
    EXPECT_FALSE(f.Loaded());
    EXPECT_EQ(tw_qt::WindowOf(f), nullptr);
    EXPECT_EQ(f.log, (std::vector<std::string>{"unload", "unload"}));
}

TEST_F(QtBackendTest, ModalShowWaitsUntilTheFormIsHidden) {
    SmokeForm f;
    bool was_modal = false;
    QTimer::singleShot(0, [&] {
        was_modal = tw_qt::WindowOf(f)->isModal();
        ui::ClickButton(f.cmdGo);
    });
    f.cmdGo.OnClick = [&] { f.Hide(); };
    f.Show(ui::vbModal);
    EXPECT_TRUE(was_modal);
    EXPECT_FALSE(f.Visible());
    EXPECT_TRUE(f.Loaded());
}

TEST_F(QtBackendTest, MessageBoxShowsTheButtonSetIconAndTitle) {
    tw_qt::SetMessageBoxHook(nullptr);  // the real box this time
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QMessageBox::StandardButton default_button = QMessageBox::NoButton;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        icon = box->icon();
        buttons = box->standardButtons();
        default_button = box->standardButton(box->defaultButton());
        box->button(QMessageBox::Cancel)->click();
    });
    ui::MsgBoxResult r = ui::MsgBox("File x\r\nalready exists.",
                                    ui::vbOKCancel + ui::vbExclamation + ui::vbDefaultButton2, "Delete/Replace File?");
    EXPECT_EQ(r, ui::vbCancel);
    EXPECT_EQ(title, "Delete/Replace File?");
    EXPECT_EQ(text, "File x\nalready exists.");
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QMessageBox::Ok | QMessageBox::Cancel);
    EXPECT_EQ(default_button, QMessageBox::Cancel);
}

TEST_F(QtBackendTest, ScriptedBoxesAreAnsweredWithoutShowingThem) {
    ExpectMsgBox(ui::vbNo, "Replace");
    EXPECT_EQ(ui::MsgBox("Replace?", ui::vbYesNo + ui::vbQuestion), ui::vbNo);
    ASSERT_EQ(shown_.size(), 1u);
    EXPECT_EQ(shown_[0].title, "Tessawin");
    EXPECT_EQ(shown_[0].buttons, ui::vbYesNo + ui::vbQuestion);
}

TEST_F(QtBackendTest, FileDialogTakesTitleFolderFilterAndMode) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString existing = dir.filePath("extract.CSV");
    QFile(existing).open(QIODevice::WriteOnly);
    struct Seen {
        QString title, folder;
        QStringList filters;
        QFileDialog::FileMode mode = QFileDialog::AnyFile;
        QFileDialog::AcceptMode accept = QFileDialog::AcceptSave;
    } seen;
    auto answer = [&](bool accept) {
        QTimer::singleShot(0, [&, accept] {
            auto* dlg = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            seen = {dlg->windowTitle(), dlg->directory().absolutePath(), dlg->nameFilters(), dlg->fileMode(),
                    dlg->acceptMode()};
            if (accept) {
                dlg->selectFile(existing);
                QMetaObject::invokeMethod(dlg, "accept");
            } else {
                dlg->reject();
            }
        });
    };
    ui::FileDialogRequest open;
    open.title = "Specify the Collision Data Extract csv file";
    open.filter = "CSV files|*.csv";
    open.initial_folder = dir.path().toStdString();
    open.flags = 2060 + ui::cdlOFNFileMustExist;
    answer(true);
    ui::FileDialogResult r = ui::ShowFileDialog(open);
    EXPECT_FALSE(r.cancelled);
    EXPECT_EQ(r.file_name, existing.toStdString());
    EXPECT_EQ(seen.title, "Specify the Collision Data Extract csv file");
    EXPECT_EQ(seen.folder, QDir(dir.path()).absolutePath());
    EXPECT_EQ(seen.filters, QStringList{"CSV files (*.csv *.CSV)"});
    EXPECT_EQ(seen.mode, QFileDialog::ExistingFile);
    EXPECT_EQ(seen.accept, QFileDialog::AcceptOpen);

    ui::FileDialogRequest save = open;
    save.save = true;
    save.flags = 2060 + ui::cdlOFNNoReadOnlyReturn;
    answer(false);
    r = ui::ShowFileDialog(save);
    EXPECT_TRUE(r.cancelled);
    EXPECT_EQ(r.file_name, "");
    EXPECT_EQ(seen.mode, QFileDialog::AnyFile);
    EXPECT_EQ(seen.accept, QFileDialog::AcceptSave);
}

TEST_F(QtBackendTest, InputBoxGivesTheTextOrEmptyOnCancel) {
    QString label, title, initial;
    auto answer = [&](bool accept) {
        QTimer::singleShot(0, [&, accept] {
            auto* dlg = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dlg, nullptr);
            label = dlg->labelText();
            title = dlg->windowTitle();
            initial = dlg->textValue();
            dlg->setTextValue("201804");
            if (accept)
                dlg->accept();
            else
                dlg->reject();
        });
    };
    answer(true);
    EXPECT_EQ(ui::InputBox("Target version?", "", "latest"), "201804");
    EXPECT_EQ(label, "Target version?");
    EXPECT_EQ(title, "Tessawin");
    EXPECT_EQ(initial, "latest");
    answer(false);
    EXPECT_EQ(ui::InputBox("Target version?"), "");
}

TEST_F(QtBackendTest, ServicesUseTheDesktop) {
    EXPECT_TRUE(ui::Clipboard_SetText("49.123456,-123.654321"));
    EXPECT_EQ(ui::Clipboard_GetText(), "49.123456,-123.654321");
    EXPECT_TRUE(ui::Clipboard_Clear());
    EXPECT_EQ(ui::Clipboard_GetText(), "");
    EXPECT_GT(ui::Screen_Width(), 0);
    EXPECT_EQ(ui::Screen_Width() % 15, 0);
    {
        ui::Hourglass busy;
        ASSERT_NE(QApplication::overrideCursor(), nullptr);
        EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    }
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

// A status box as the main window has it: both scroll bars, lines added at
// the end.
class LogForm : public ui::Form {
public:
    LogForm() : ui::Form("frmLog", "Log") {
        Move(0, 0, 6000, 3000);
        Log.SetMultiLine(true);
        Log.SetScrollBars(ui::vbBoth);
        Log.SetFontName("Courier New");
        Log.Move(120, 120, 4500, 1500);
    }
    ui::TextBox& Log = Add<ui::TextBox>("Log");
};

TEST_F(QtBackendTest, AppendedLinesShowFromTheirStartAtTheEnd) {
    LogForm f;
    f.Show();
    auto* box = Widget<QPlainTextEdit>(f.Log);
    ASSERT_NE(box, nullptr);
    QApplication::processEvents();
    const std::string long_line = "Input CDE file: /a/folder/with/a/long/name/" + std::string(200, 'x') + ".csv";
    f.Log.SetText("first");
    for (int i = 0; i < 40; ++i) {
        f.Log.AppendText("\r\n" + long_line);
        f.Log.AppendText("\r\nshort " + std::to_string(i));
    }
    f.Log.AppendText("\r\n" + long_line);
    QApplication::processEvents();
    EXPECT_EQ(box->toPlainText().toStdString(), tw_qt::probe::WidgetText(f.Log));
    EXPECT_EQ(box->toPlainText().count('\n'), 81);
    EXPECT_GT(box->horizontalScrollBar()->maximum(), 0) << "the long line is wider than the box";
    EXPECT_EQ(box->horizontalScrollBar()->value(), 0) << "the last line reads from its start";
    const QRect caret = box->cursorRect();
    EXPECT_TRUE(caret.top() >= 0 && caret.bottom() <= box->viewport()->height()) << "the last line shows";
    EXPECT_EQ(box->textCursor().position(), box->toPlainText().size());

    // The line break split over two appends is one break.
    f.Log.SetText("a\r");
    f.Log.AppendText("\nb");
    EXPECT_EQ(box->toPlainText(), "a\nb");
    EXPECT_EQ(f.Log.Text(), "a\r\nb");
}

// Controls whose captions the layout made too narrow.
class NarrowForm : public ui::Form {
public:
    NarrowForm() : ui::Form("frmNarrow", "Narrow") {
        Move(0, 0, 9000, 4000);
        lblFree.SetCaption("A label with room to its right");
        lblFree.Move(120, 120, 600, 255);
        lblHemmed.SetCaption("A label hemmed in by a box");
        lblHemmed.Move(120, 600, 600, 255);
        txtBeside.Move(900, 600, 1500, 315);
        cmdLong.SetCaption("A command whose caption needs two lines here");
        cmdLong.Move(120, 1200, 2400, 420);
        chkInFrame.SetCaption("A check box that grows to its frame's edge and no further at all");
        chkInFrame.Move(120, 300, 1000, 300);
        Frame1.Move(120, 2000, 3000, 900);
    }
    ui::Label& lblFree = Add<ui::Label>("lblFree");
    ui::Label& lblHemmed = Add<ui::Label>("lblHemmed");
    ui::TextBox& txtBeside = Add<ui::TextBox>("txtBeside");
    ui::CommandButton& cmdLong = Add<ui::CommandButton>("cmdLong");
    ui::Frame& Frame1 = Add<ui::Frame>("Frame1");
    ui::CheckBox& chkInFrame = Add<ui::CheckBox>("chkInFrame", ui::In(Frame1));
};

TEST_F(QtBackendTest, CaptionsGrowTheirControlWithinTheContainer) {
    NarrowForm f;
    f.Show();
    auto cut = [&] {
        std::vector<std::string> names;
        for (const auto& c : tw_qt::probe::CutCaptions(f)) names.push_back(c.control);
        return names;
    };
    // grown to the right as far as needed
    EXPECT_GT(tw_qt::WidgetOf(f.lblFree)->width(), 40);
    // never over the box beside it nor past the frame: these stay cut
    EXPECT_LT(tw_qt::WidgetOf(f.lblHemmed)->geometry().right(), tw_qt::WidgetOf(f.txtBeside)->x());
    EXPECT_LE(tw_qt::WidgetOf(f.chkInFrame)->geometry().right(), tw_qt::WidgetOf(f.Frame1)->width());
    EXPECT_EQ(cut(), (std::vector<std::string>{"lblHemmed", "chkInFrame"}));
    // a push button keeps its width and wraps
    EXPECT_EQ(tw_qt::WidgetOf(f.cmdLong)->width(), 160);
    // a caption changed later is fitted again, from the control's own width
    f.lblFree.SetCaption("Short");
    EXPECT_EQ(tw_qt::WidgetOf(f.lblFree)->width(), 40);
    EXPECT_THAT(cut(), ::testing::Not(::testing::Contains("lblFree")));
}

TEST(QtFilter, CommonDialogFiltersBecomeQtFilters) {
    struct Case {
        const char* filter;
        const char* qt;
    } cases[] = {
        {"", ""},
        {"CSV files|*.csv", "CSV files (*.csv *.CSV)"},
        {"All Files (*.*)|*.*", "All Files (*)"},
        {"Excel files|*.xls*", "Excel files (*.xls* *.XLS*)"},
        {"Text|*.txt;*.log|RTF files|*.rtf", "Text (*.txt *.TXT *.log *.LOG);;RTF files (*.rtf *.RTF)"},
    };
    for (const Case& c : cases) EXPECT_EQ(tw_qt::QtFilter(c.filter), c.qt) << c.filter;
}

}  // namespace
