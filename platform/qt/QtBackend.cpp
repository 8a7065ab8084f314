// The Qt backend: each form becomes a top-level QWidget with its controls
// placed absolutely at their twip positions. The form object stays the one
// truth: property changes are pushed into the widgets, user edits go back
// through the controls' setters (which raise the events).
#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGroupBox>
#include <QIcon>
#include <QInputDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextCursor>
#include <QWidget>
#include <cstdlib>
#include <memory>
#include <unordered_map>

#include "QtApp.h"
#include "QtFonts.h"
#include "QtText.h"
#include "platform/ui/backend.h"

namespace tw_qt {

namespace {

constexpr int kTwipsPerPixel = 15;

int px(int twips) {
    return twips / kTwipsPerPixel;
}

class QtBackend;
QtBackend* g_backend = nullptr;
MessageBoxHook g_message_hook;
InputBoxHook g_input_hook;
FileDialogHook g_file_hook;

// Widget text of a text box: Qt's line breaks are "\n", the form's "\r\n".
QString to_widget_text(const std::string& text, bool multiline) {
    std::string t;
    t.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') continue;
            t += multiline ? '\n' : ' ';
            continue;
        }
        t += (!multiline && text[i] == '\n') ? ' ' : text[i];
    }
    return FromBytes(t);
}

std::string from_widget_text(const QString& text, bool multiline) {
    std::string s = ToBytes(text);
    if (!multiline) return s;
    std::string out;
    out.reserve(s.size() + s.size() / 20);
    for (char c : s) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

// Position in widget characters of a byte offset into the form's text.
int widget_pos(const std::string& text, int pos, bool multiline) {
    pos = std::clamp(pos, 0, static_cast<int>(text.size()));
    return static_cast<int>(to_widget_text(text.substr(0, pos), multiline).size());
}

int form_pos(const QString& widget_text, int pos, bool multiline) {
    return static_cast<int>(from_widget_text(widget_text.left(pos), multiline).size());
}

// Raises the count while the backend itself writes into widgets, so the
// widgets' signals are not taken for user edits.
struct Syncing {
    explicit Syncing(int& n) : n_(n) { ++n_; }
    ~Syncing() { --n_; }
    int& n_;
};

class QtBackend : public ui::Backend, public QObject {
public:
    QtBackend() {
        QObject::connect(qApp, &QApplication::focusChanged, this,
                         [this](QWidget*, QWidget* now) { OnFocusChanged(now); });
    }
    ~QtBackend() override {
        DeleteAllWindows();
        if (g_backend == this) g_backend = nullptr;
    }

    ui::Form* main_form = nullptr;

    // Services.
    ui::MsgBoxResult MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
    std::string InputBox(const std::string& prompt, const std::string& title, const std::string& default_text) override;
    void DoEvents() override {
        ui::UserEventScope user;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
    void Beep() override { QApplication::beep(); }
    // The clipboard tells nothing of a refusal; reading it back does.
    bool ClearClipboard() override {
        QClipboard* c = QGuiApplication::clipboard();
        if (!c) return false;
        c->clear();
        return c->text().isEmpty();
    }
    bool SetClipboardText(const std::string& text) override {
        QClipboard* c = QGuiApplication::clipboard();
        if (!c) return false;
        const QString t = FromBytes(text);
        c->setText(t);
        return c->text() == t;
    }
    std::string ClipboardText() override { return ToBytes(QGuiApplication::clipboard()->text()); }
    int ScreenWidthTwips() override {
        QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->geometry().width() * kTwipsPerPixel : 0;
    }
    int ScreenHeightTwips() override {
        QScreen* s = QGuiApplication::primaryScreen();
        return s ? s->geometry().height() * kTwipsPerPixel : 0;
    }
    void SetBusyPointer(bool busy) override {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    }
    ui::FileDialogResult FileDialog(const ui::FileDialogRequest& request) override;

    // Forms.
    void FormShown(ui::Form& form) override;
    void FormHidden(ui::Form& form) override;
    void FormUnloaded(ui::Form& form) override;
    void FormChanged(ui::Form& form, ui::Prop p) override;
    void ControlChanged(ui::Control& c, ui::Prop p) override;
    void FocusChanged(ui::Control& c) override {
        if (QWidget* w = WidgetFor(c)) {
            Syncing s(syncing_);
            w->setFocus(Qt::OtherFocusReason);
        }
    }
    void Repaint(ui::Form& form) override {
        if (Window* win = WindowFor(form)) win->widget->repaint();
    }
    void Repaint(ui::Control& c) override {
        QWidget* w = WidgetFor(c);
        if (!w) return;
        if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
            edit->viewport()->repaint();
        }
        w->repaint();
    }
    void RunModal(ui::Form& form) override;

    // Lookups for the public helpers.
    QWidget* WindowWidget(const ui::Form& form) {
        Window* w = WindowFor(form);
        return w ? w->widget.data() : nullptr;
    }
    QWidget* WidgetFor(const ui::Control& c) {
        Window* win = WindowFor(c.Parent());
        if (!win) return nullptr;
        auto it = win->widgets.find(&c);
        return it == win->widgets.end() ? nullptr : it->second.data();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct Window {
        ui::Form* form = nullptr;
        QPointer<QWidget> widget;
        std::unordered_map<const ui::Control*, QPointer<QWidget>> widgets;
        QEventLoop* modal_loop = nullptr;
    };

    Window* WindowFor(const ui::Form& form) {
        auto it = windows_.find(&form);
        return it == windows_.end() ? nullptr : it->second.get();
    }
    Window& Build(ui::Form& form);
    QWidget* BuildControl(Window& win, ui::Control& c);
    void Rebuild(Window& win, ui::Control& c);
    QWidget* ParentWidget(Window& win, ui::Control& c);
    void Push(ui::Control& c, QWidget* w, ui::Prop p);
    void PushAll(ui::Control& c, QWidget* w);
    void PushGeometry(ui::Control& c, QWidget* w);
    void FitCaption(ui::Control& c, QWidget* w);
    void PushVisible(ui::Control& c, QWidget* w);
    void PushFormGeometry(Window& win);
    void ShowTabPage(Window& win, ui::TabStrip& strip);
    void SyncGroup(ui::Form& form);
    void OnFocusChanged(QWidget* now);
    void DropWindow(const ui::Form& form);
    void DeleteAllWindows();
    bool TextKey(ui::TextBox& tb, QWidget* w, QKeyEvent* e);
    bool WindowKey(Window& win, QKeyEvent* e);

    std::unordered_map<const ui::Form*, std::unique_ptr<Window>> windows_;
    std::unordered_map<const QObject*, ui::Control*> owner_of_;
    std::unordered_map<const QObject*, ui::Form*> form_of_;
    int syncing_ = 0;
};

// Message and input boxes.

ui::MsgBoxResult QtBackend::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
    if (g_message_hook)
        if (auto r = g_message_hook(prompt, buttons, title)) return *r;
    using B = QMessageBox::StandardButton;
    struct Set {
        std::vector<std::pair<B, ui::MsgBoxResult>> buttons;
        B escape;
    };
    Set set;
    switch (buttons & 7) {
        case ui::vbOKCancel:
            set = {{{B::Ok, ui::vbOK}, {B::Cancel, ui::vbCancel}}, B::Cancel};
            break;
        case ui::vbAbortRetryIgnore:
            set = {{{B::Abort, ui::vbAbort}, {B::Retry, ui::vbRetry}, {B::Ignore, ui::vbIgnore}}, B::NoButton};
            break;
        case ui::vbYesNoCancel:
            set = {{{B::Yes, ui::vbYes}, {B::No, ui::vbNo}, {B::Cancel, ui::vbCancel}}, B::Cancel};
            break;
        case ui::vbYesNo:
            set = {{{B::Yes, ui::vbYes}, {B::No, ui::vbNo}}, B::NoButton};
            break;
        case ui::vbRetryCancel:
            set = {{{B::Retry, ui::vbRetry}, {B::Cancel, ui::vbCancel}}, B::Cancel};
            break;
        default:
            set = {{{B::Ok, ui::vbOK}}, B::Ok};
            break;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (buttons & 0x70) {
        case ui::vbCritical:
            icon = QMessageBox::Critical;
            break;
        case ui::vbQuestion:
            icon = QMessageBox::Question;
            break;
        case ui::vbExclamation:
            icon = QMessageBox::Warning;
            break;
        case ui::vbInformation:
            icon = QMessageBox::Information;
            break;
        default:
            break;
    }
    QMessageBox box(icon, FromBytes(title), to_widget_text(prompt, true), QMessageBox::NoButton,
                    QApplication::activeWindow());
    QMessageBox::StandardButtons all;
    for (const auto& b : set.buttons) all |= b.first;
    box.setStandardButtons(all);
    size_t def = static_cast<size_t>((buttons >> 8) & 3);
    if (def >= set.buttons.size()) def = 0;
    box.setDefaultButton(set.buttons[def].first);
    if (set.escape != B::NoButton) box.setEscapeButton(set.escape);
    ui::UserEventScope user;
    int chosen = box.exec();
    for (const auto& b : set.buttons)
        if (b.first == chosen) return b.second;
    // Closed without a button (only possible where an escape exists).
    for (const auto& b : set.buttons)
        if (b.first == set.escape) return b.second;
    return set.buttons.front().second;
}

std::string QtBackend::InputBox(const std::string& prompt, const std::string& title, const std::string& default_text) {
    if (g_input_hook)
        if (auto r = g_input_hook(prompt, title, default_text)) return *r;
    QInputDialog dlg(QApplication::activeWindow());
    dlg.setWindowTitle(FromBytes(title));
    dlg.setLabelText(to_widget_text(prompt, true));
    dlg.setTextValue(FromBytes(default_text));
    ui::UserEventScope user;
    if (dlg.exec() != QDialog::Accepted) return "";
    return ToBytes(dlg.textValue());
}

ui::FileDialogResult QtBackend::FileDialog(const ui::FileDialogRequest& request) {
    if (g_file_hook)
        if (auto r = g_file_hook(request)) return *r;
    ui::FileDialogResult result;
    QFileDialog dlg(QApplication::activeWindow(), FromBytes(request.title), FromBytes(request.initial_folder));
    QStringList filters = FromBytes(QtFilter(request.filter)).split(QStringLiteral(";;"), Qt::SkipEmptyParts);
    if (!filters.isEmpty()) {
        dlg.setNameFilters(filters);
        int idx = std::clamp(request.filter_index, 1, static_cast<int>(filters.size())) - 1;
        dlg.selectNameFilter(filters[idx]);
    }
    dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    bool must_exist = !request.save && (request.flags & ui::cdlOFNFileMustExist);
    dlg.setFileMode(must_exist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!request.initial_file.empty()) dlg.selectFile(FromBytes(request.initial_file));
    ui::UserEventScope user;
    for (;;) {
        if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return result;
        QFileInfo chosen(dlg.selectedFiles().first());
        QString problem;
        if ((request.flags & ui::cdlOFNPathMustExist) && !chosen.dir().exists()) {
            problem = QStringLiteral("%1\nThe folder does not exist.").arg(chosen.absolutePath());
        } else if (must_exist && !chosen.exists()) {
            problem = QStringLiteral("%1\nFile not found.").arg(chosen.absoluteFilePath());
        } else if ((request.flags & ui::cdlOFNNoReadOnlyReturn) &&
                   ((chosen.exists() && !chosen.isWritable()) || !QFileInfo(chosen.absolutePath()).isWritable())) {
            problem = QStringLiteral("%1\nThe file is read-only or its folder cannot be written to.")
                          .arg(chosen.absoluteFilePath());
        }
        if (problem.isEmpty()) {
            result.cancelled = false;
            result.file_name = ToBytes(chosen.absoluteFilePath());
            return result;
        }
        QMessageBox::warning(&dlg, dlg.windowTitle(), problem);
    }
}

// Forms.

QtBackend::Window& QtBackend::Build(ui::Form& form) {
    if (Window* w = WindowFor(form)) return *w;
    auto owned = std::make_unique<Window>();
    Window& win = *owned;
    windows_[&form] = std::move(owned);
    win.form = &form;
    win.widget = new QWidget(nullptr);
    win.widget->setFont(form_font());  // before the controls, which inherit it
    win.widget->setObjectName(FromBytes(form.Name()));
    win.widget->setWindowTitle(FromBytes(form.Caption()));
    win.widget->installEventFilter(this);
    form_of_[win.widget] = &form;
    for (const auto& c : form.Controls()) BuildControl(win, *c);
    for (const auto& c : form.Controls())
        if (c->Kind() == ui::ControlKind::TabStrip) ShowTabPage(win, static_cast<ui::TabStrip&>(*c));
    PushFormGeometry(win);
    return win;
}

QWidget* QtBackend::ParentWidget(Window& win, ui::Control& c) {
    if (!c.Container()) return win.widget;
    auto it = win.widgets.find(c.Container());
    if (it != win.widgets.end()) return it->second;
    return BuildControl(win, *c.Container());
}

QWidget* QtBackend::BuildControl(Window& win, ui::Control& c) {
    auto found = win.widgets.find(&c);
    if (found != win.widgets.end()) return found->second;
    QWidget* parent = ParentWidget(win, c);
    QWidget* w = nullptr;
    switch (c.Kind()) {
        case ui::ControlKind::TextBox: {
            auto& tb = static_cast<ui::TextBox&>(c);
            if (tb.MultiLine()) {
                auto* edit = new QPlainTextEdit(parent);
                QObject::connect(edit, &QPlainTextEdit::textChanged, this, [this, &tb, edit] {
                    if (syncing_) return;
                    ui::UserEventScope user;
                    std::string text = from_widget_text(edit->toPlainText(), true);
                    int caret = form_pos(edit->toPlainText(), edit->textCursor().position(), true);
                    tb.SetText(text);
                    Syncing s(syncing_);
                    tb.SetSelStart(caret);
                });
                w = edit;
            } else {
                auto* edit = new QLineEdit(parent);
                QObject::connect(edit, &QLineEdit::textEdited, this, [this, &tb, edit](const QString& text) {
                    if (syncing_) return;
                    ui::UserEventScope user;
                    int caret = form_pos(text, edit->cursorPosition(), false);
                    tb.SetText(from_widget_text(text, false));
                    Syncing s(syncing_);
                    tb.SetSelStart(caret);
                });
                w = edit;
            }
            w->installEventFilter(this);
            break;
        }
        case ui::ControlKind::CheckBox: {
            auto& chk = static_cast<ui::CheckBox&>(c);
            auto* box = new QCheckBox(parent);
            QObject::connect(box, &QAbstractButton::clicked, this, [this, &chk, box] {
                if (syncing_) return;
                {
                    ui::UserEventScope user;
                    chk.Click();
                }
                if (WidgetFor(chk) == box) PushAll(chk, box);
            });
            w = box;
            break;
        }
        case ui::ControlKind::OptionButton: {
            auto& opt = static_cast<ui::OptionButton&>(c);
            auto* radio = new QRadioButton(parent);
            radio->setAutoExclusive(false);  // groups are the form's business
            ui::Form* form = &c.Parent();
            QObject::connect(radio, &QAbstractButton::clicked, this, [this, &opt, form] {
                if (syncing_) return;
                {
                    ui::UserEventScope user;
                    opt.Click();
                }
                SyncGroup(*form);
            });
            w = radio;
            break;
        }
        case ui::ControlKind::Label: {
            auto* label = new QLabel(parent);
            label->setWordWrap(true);
            label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
            label->setTextFormat(Qt::PlainText);
            w = label;
            break;
        }
        case ui::ControlKind::CommandButton: {
            auto& cmd = static_cast<ui::CommandButton&>(c);
            auto* button = new WrappingButton(parent);
            button->setAutoDefault(false);
            QObject::connect(button, &QAbstractButton::clicked, this, [this, &cmd] {
                if (syncing_) return;
                ui::UserEventScope user;
                cmd.Click();
            });
            w = button;
            break;
        }
        case ui::ControlKind::Frame:
            w = new QGroupBox(parent);
            break;
        case ui::ControlKind::TabStrip: {
            auto& strip = static_cast<ui::TabStrip&>(c);
            auto* tabs = new QTabWidget(parent);
            ui::Form* form = &c.Parent();
            QObject::connect(tabs, &QTabWidget::currentChanged, this, [this, &strip, tabs, form](int i) {
                if (syncing_) return;
                {
                    ui::UserEventScope user;
                    strip.SetTab(i);
                }
                Window* win = WindowFor(*form);
                if (win && WidgetFor(strip) == tabs) {
                    Syncing s(syncing_);
                    tabs->setCurrentIndex(strip.Tab());
                    ShowTabPage(*win, strip);
                }
            });
            w = tabs;
            break;
        }
        case ui::ControlKind::ListBox: {
            auto& list = static_cast<ui::ListBox&>(c);
            auto* lw = new QListWidget(parent);
            QObject::connect(lw, &QListWidget::itemClicked, this, [this, &list, lw](QListWidgetItem* item) {
                if (syncing_) return;
                {
                    ui::UserEventScope user;
                    list.ClickItem(lw->row(item));
                }
                if (WidgetFor(list) == lw) PushAll(list, lw);
            });
            QObject::connect(lw, &QListWidget::currentRowChanged, this, [this, &list](int row) {
                if (syncing_ || list.MultiSelect() || row == list.ListIndex()) return;
                ui::UserEventScope user;
                list.SetListIndex(row);
            });
            w = lw;
            break;
        }
    }
    w->setObjectName(FromBytes(c.IsArrayElement() ? c.Name() + "(" + std::to_string(c.Index()) + ")" : c.Name()));
    win.widgets[&c] = w;
    owner_of_[w] = &c;
    QObject::connect(w, &QObject::destroyed, this, [this, w] { owner_of_.erase(w); });
    PushAll(c, w);
    w->raise();
    return w;
}

// A text box that became multi-line (or single-line) needs the other widget.
void QtBackend::Rebuild(Window& win, ui::Control& c) {
    auto it = win.widgets.find(&c);
    if (it == win.widgets.end()) return;
    QWidget* old = it->second;
    win.widgets.erase(it);
    if (old) {
        owner_of_.erase(old);
        QObject::disconnect(old, nullptr, this, nullptr);
        old->removeEventFilter(this);
        old->hide();
        old->deleteLater();
    }
    BuildControl(win, c);
}

void QtBackend::PushGeometry(ui::Control& c, QWidget* w) {
    w->setGeometry(px(c.Left()), px(c.Top()), std::max(px(c.Width()), 1), std::max(px(c.Height()), 1));
    FitCaption(c, w);
}

// A caption wider than its control widens the control to the right, as far
// as its container's edge and short of the next control beside it, rather
// than being cut.
void QtBackend::FitCaption(ui::Control& c, QWidget* w) {
    switch (c.Kind()) {
        case ui::ControlKind::CommandButton:
        case ui::ControlKind::CheckBox:
        case ui::ControlKind::OptionButton:
        case ui::ControlKind::Label:
            break;
        default:
            return;
    }
    constexpr int kGap = 4;
    const int left = px(c.Left()), top = px(c.Top()), bottom = px(c.Top() + c.Height());
    const int width = std::max(px(c.Width()), 1);
    w->resize(width, w->height());
    if (caption_width(w, width + 1) == width) return;  // fits as laid out, the common case
    int limit = w->parentWidget() ? w->parentWidget()->width() - kGap - left : width;
    for (const auto& other : c.Parent().Controls()) {
        if (other.get() == &c || other->Container() != c.Container() || other->ContainerTab() != c.ContainerTab())
            continue;
        const int o_left = px(other->Left());
        if (o_left < left + width || px(other->Top()) >= bottom || px(other->Top() + other->Height()) <= top) continue;
        limit = std::min(limit, o_left - kGap - left);
    }
    const int need = caption_width(w, limit);
    if (need > width) w->resize(need, w->height());
}

void QtBackend::PushVisible(ui::Control& c, QWidget* w) {
    bool on_page = true;
    if (c.Container() && c.Container()->Kind() == ui::ControlKind::TabStrip)
        on_page = static_cast<ui::TabStrip*>(c.Container())->Tab() == c.ContainerTab();
    w->setVisible(c.Visible() && on_page);
}

void QtBackend::ShowTabPage(Window& win, ui::TabStrip& strip) {
    for (const auto& c : win.form->Controls())
        if (c->Container() == &strip)
            if (QWidget* w = WidgetFor(*c)) PushVisible(*c, w);
}

void QtBackend::PushAll(ui::Control& c, QWidget* w) {
    for (ui::Prop p :
         {ui::Prop::Style, ui::Prop::Tabs, ui::Prop::Items, ui::Prop::Caption, ui::Prop::Text, ui::Prop::Value,
          ui::Prop::Geometry, ui::Prop::Visible, ui::Prop::Enabled, ui::Prop::ToolTip, ui::Prop::Font, ui::Prop::Locked,
          ui::Prop::CurrentTab, ui::Prop::ListIndex, ui::Prop::Selected, ui::Prop::Selection})
        Push(c, w, p);
}

void QtBackend::Push(ui::Control& c, QWidget* w, ui::Prop p) {
    Syncing s(syncing_);
    switch (p) {
        case ui::Prop::Geometry:
            PushGeometry(c, w);
            if (c.Kind() != ui::ControlKind::OptionButton) return;
            break;
        case ui::Prop::Visible:
            PushVisible(c, w);
            return;
        case ui::Prop::Enabled:
            w->setEnabled(c.Enabled());
            return;
        case ui::Prop::ToolTip:
            w->setToolTip(FromBytes(c.ToolTipText()));
            return;
        case ui::Prop::Font:
            if (c.FixedPitch()) {
                w->setFont(fixed_pitch_font(c.FontName()));
            } else if (!c.FontName().empty()) {
                QFont named(FromBytes(c.FontName()));
                named.setPixelSize(kFormFontPixels);
                w->setFont(named);
            }
            FitCaption(c, w);
            return;
        default:
            break;
    }
    switch (c.Kind()) {
        case ui::ControlKind::TextBox: {
            auto& tb = static_cast<ui::TextBox&>(c);
            if (p == ui::Prop::Style && tb.MultiLine() != (qobject_cast<QPlainTextEdit*>(w) != nullptr)) {
                if (Window* win = WindowFor(c.Parent())) Rebuild(*win, c);
                return;
            }
            if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
                bool new_text = false;
                if (p == ui::Prop::Appended) {
                    const std::string& text = tb.Text();
                    const size_t from = std::min(tb.AppendedFrom(), text.size());
                    QString added = to_widget_text(text.substr(from), true);
                    // a CR before the added part was shown as a line end already
                    if (from > 0 && text[from - 1] == '\r' && added.startsWith('\n')) added.remove(0, 1);
                    QTextCursor end(edit->document());
                    end.movePosition(QTextCursor::End);
                    end.insertText(added);
                    new_text = true;
                    p = ui::Prop::Selection;
                } else if (p == ui::Prop::Text) {
                    QString want = to_widget_text(tb.Text(), true);
                    QString have = edit->toPlainText();
                    if (have != want) {
                        if (!have.isEmpty() && want.startsWith(have)) {
                            QTextCursor end(edit->document());
                            end.movePosition(QTextCursor::End);
                            end.insertText(want.mid(have.size()));
                        } else {
                            edit->setPlainText(want);
                        }
                        new_text = true;
                        p = ui::Prop::Selection;
                    }
                }
                if (p == ui::Prop::Selection) {
                    QTextCursor cur = edit->textCursor();
                    const bool at_end = tb.SelLength() == 0 && tb.SelStart() == static_cast<int>(tb.Text().size());
                    // the end is found without counting through the text
                    const int start =
                        at_end ? edit->document()->characterCount() - 1 : widget_pos(tb.Text(), tb.SelStart(), true);
                    const int end = at_end ? start : widget_pos(tb.Text(), tb.SelStart() + tb.SelLength(), true);
                    const bool moved = cur.anchor() != start || cur.position() != end;
                    if (moved) {
                        cur.setPosition(start);
                        cur.setPosition(end, QTextCursor::KeepAnchor);
                        edit->setTextCursor(cur);
                    }
                    if (moved || new_text) edit->ensureCursorVisible();
                    // A line written at the end is read from its start, not
                    // from wherever its last character scrolled the view.
                    if (at_end && (moved || new_text)) edit->horizontalScrollBar()->setValue(0);
                } else if (p == ui::Prop::Locked) {
                    edit->setReadOnly(tb.Locked());
                } else if (p == ui::Prop::Style) {
                    int bars = tb.ScrollBars();
                    edit->setLineWrapMode((bars & ui::vbHorizontal) ? QPlainTextEdit::NoWrap
                                                                    : QPlainTextEdit::WidgetWidth);
                    edit->setVerticalScrollBarPolicy((bars & ui::vbVertical) ? Qt::ScrollBarAlwaysOn
                                                                             : Qt::ScrollBarAsNeeded);
                    edit->setHorizontalScrollBarPolicy((bars & ui::vbHorizontal) ? Qt::ScrollBarAlwaysOn
                                                                                 : Qt::ScrollBarAlwaysOff);
                }
            } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
                if (p == ui::Prop::Text || p == ui::Prop::Appended) {
                    QString want = to_widget_text(tb.Text(), false);
                    if (line->text() != want) {
                        line->setText(want);
                        p = ui::Prop::Selection;
                    }
                }
                if (p == ui::Prop::Selection) {
                    int start = widget_pos(tb.Text(), tb.SelStart(), false);
                    int len = widget_pos(tb.Text(), tb.SelStart() + tb.SelLength(), false) - start;
                    if (len > 0)
                        line->setSelection(start, len);
                    else if (line->cursorPosition() != start || line->hasSelectedText())
                        line->setCursorPosition(start);
                } else if (p == ui::Prop::Locked) {
                    line->setReadOnly(tb.Locked());
                }
            }
            return;
        }
        case ui::ControlKind::CheckBox: {
            auto& chk = static_cast<ui::CheckBox&>(c);
            auto* box = static_cast<QCheckBox*>(w);
            if (p == ui::Prop::Caption) {
                box->setText(FromBytes(chk.Caption()));
                FitCaption(c, w);
            }
            if (p == ui::Prop::Value) {
                Qt::CheckState want = chk.Value() == ui::vbChecked  ? Qt::Checked
                                      : chk.Value() == ui::vbGrayed ? Qt::PartiallyChecked
                                                                    : Qt::Unchecked;
                box->setTristate(want == Qt::PartiallyChecked);
                box->setCheckState(want);
            }
            return;
        }
        case ui::ControlKind::OptionButton: {
            auto& opt = static_cast<ui::OptionButton&>(c);
            auto* radio = static_cast<QRadioButton*>(w);
            if (p == ui::Prop::Caption) {
                radio->setText(FromBytes(opt.Caption()));
                FitCaption(c, w);
            }
            if (p == ui::Prop::Value) radio->setChecked(opt.Value());
            if (p == ui::Prop::Style || p == ui::Prop::Geometry) {
                if (opt.Picture().empty()) {
                    radio->setIcon(QIcon());
                } else {
                    radio->setIcon(QIcon(FromBytes(opt.Picture())));
                    int side = std::max(std::min(radio->width() - 24, radio->height() - 4), 8);
                    radio->setIconSize(QSize(side, side));
                }
            }
            return;
        }
        case ui::ControlKind::Label:
            if (p == ui::Prop::Caption) {
                static_cast<QLabel*>(w)->setText(
                    WithoutAccessKeys(to_widget_text(static_cast<ui::Label&>(c).Caption(), true)));
                FitCaption(c, w);
            }
            return;
        case ui::ControlKind::CommandButton: {
            auto& cmd = static_cast<ui::CommandButton&>(c);
            auto* button = static_cast<QPushButton*>(w);
            if (p == ui::Prop::Caption) {
                button->setText(FromBytes(cmd.Caption()));
                FitCaption(c, w);
            }
            if (p == ui::Prop::Style) button->setDefault(cmd.Default());
            return;
        }
        case ui::ControlKind::Frame:
            if (p == ui::Prop::Caption)
                static_cast<QGroupBox*>(w)->setTitle(FromBytes(static_cast<ui::Frame&>(c).Caption()));
            return;
        case ui::ControlKind::TabStrip: {
            auto& strip = static_cast<ui::TabStrip&>(c);
            auto* tabs = static_cast<QTabWidget*>(w);
            if (p == ui::Prop::Tabs) {
                while (tabs->count() > strip.Tabs()) {
                    QWidget* page = tabs->widget(tabs->count() - 1);
                    tabs->removeTab(tabs->count() - 1);
                    delete page;
                }
                while (tabs->count() < strip.Tabs()) tabs->addTab(new QWidget, QString());
                for (int i = 0; i < strip.Tabs(); ++i) tabs->setTabText(i, FromBytes(strip.TabCaption(i)));
                p = ui::Prop::CurrentTab;
            }
            if (p == ui::Prop::CurrentTab) {
                tabs->setCurrentIndex(strip.Tab());
                if (Window* win = WindowFor(c.Parent())) ShowTabPage(*win, strip);
            }
            return;
        }
        case ui::ControlKind::ListBox: {
            auto& list = static_cast<ui::ListBox&>(c);
            auto* lw = static_cast<QListWidget*>(w);
            if (p == ui::Prop::Style) {
                lw->setSelectionMode(list.MultiSelect() ? QAbstractItemView::MultiSelection
                                                        : QAbstractItemView::SingleSelection);
                return;
            }
            if (p == ui::Prop::Items) {
                lw->clear();
                for (int i = 0; i < list.ListCount(); ++i) lw->addItem(FromBytes(list.List(i)));
                p = ui::Prop::Selected;
            }
            if (p == ui::Prop::Selected || p == ui::Prop::ListIndex) {
                for (int i = 0; i < lw->count(); ++i) lw->item(i)->setSelected(list.Selected(i));
                if (list.ListIndex() >= 0)
                    lw->setCurrentRow(list.ListIndex(), QItemSelectionModel::NoUpdate);
                else
                    lw->setCurrentItem(nullptr, QItemSelectionModel::NoUpdate);
            }
            return;
        }
    }
}

void QtBackend::SyncGroup(ui::Form& form) {
    for (const auto& c : form.Controls())
        if (c->Kind() == ui::ControlKind::OptionButton)
            if (QWidget* w = WidgetFor(*c)) Push(*c, w, ui::Prop::Value);
}

void QtBackend::PushFormGeometry(Window& win) {
    Syncing s(syncing_);
    ui::Form& f = *win.form;
    win.widget->resize(std::max(px(f.Width()), 1), std::max(px(f.Height()), 1));
    win.widget->move(px(f.Left()), px(f.Top()));
}

void QtBackend::FormShown(ui::Form& form) {
    Window& win = Build(form);
    win.widget->setWindowModality(form.Modal() ? Qt::ApplicationModal : Qt::NonModal);
    Syncing s(syncing_);
    if (win.widget->isVisible()) {
        win.widget->raise();
        win.widget->activateWindow();
    } else {
        win.widget->show();
    }
}

void QtBackend::FormHidden(ui::Form& form) {
    Window* win = WindowFor(form);
    if (!win) return;
    if (win->modal_loop) win->modal_loop->quit();
    Syncing s(syncing_);
    if (win->widget) win->widget->hide();
}

void QtBackend::FormUnloaded(ui::Form& form) {
    DropWindow(form);
    if (&form == main_form) QCoreApplication::exit(0);
}

void QtBackend::DropWindow(const ui::Form& form) {
    auto it = windows_.find(&form);
    if (it == windows_.end()) return;
    std::unique_ptr<Window> win = std::move(it->second);
    windows_.erase(it);
    if (win->modal_loop) win->modal_loop->quit();
    // The form's controls may be gone before the widgets are: cut every
    // link from the widgets back to them now.
    for (auto& [control, w] : win->widgets) {
        if (!w) continue;
        QObject::disconnect(w, nullptr, this, nullptr);
        w->removeEventFilter(this);
        owner_of_.erase(w.data());
    }
    if (win->widget) {
        form_of_.erase(win->widget);
        win->widget->removeEventFilter(this);
        win->widget->hide();
        win->widget->deleteLater();  // we may be inside one of its events
    }
}

void QtBackend::DeleteAllWindows() {
    std::vector<const ui::Form*> forms;
    for (auto& [form, win] : windows_) forms.push_back(form);
    for (const ui::Form* f : forms) DropWindow(*f);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void QtBackend::FormChanged(ui::Form& form, ui::Prop p) {
    Window* win = WindowFor(form);
    if (!win) return;
    if (p == ui::Prop::Caption) win->widget->setWindowTitle(FromBytes(form.Caption()));
    if (p == ui::Prop::Geometry) PushFormGeometry(*win);
}

void QtBackend::ControlChanged(ui::Control& c, ui::Prop p) {
    Window* win = WindowFor(c.Parent());
    if (!win) return;
    QWidget* w = WidgetFor(c);
    if (!w) {
        BuildControl(*win, c);  // added after the window was built
        return;
    }
    Push(c, w, p);
}

void QtBackend::RunModal(ui::Form& form) {
    Window* win = WindowFor(form);
    if (!win || !form.Visible()) return;
    QEventLoop loop;
    win->modal_loop = &loop;
    {
        ui::UserEventScope user;
        loop.exec();
    }
    if (Window* still = WindowFor(form)) {
        still->modal_loop = nullptr;
        if (still->widget) still->widget->setWindowModality(Qt::NonModal);
    }
}

void QtBackend::OnFocusChanged(QWidget* now) {
    if (syncing_) return;
    for (QWidget* w = now; w; w = w->parentWidget()) {
        auto it = owner_of_.find(w);
        if (it != owner_of_.end()) {
            it->second->Parent().UserFocused(it->second);
            return;
        }
    }
}

bool QtBackend::TextKey(ui::TextBox& tb, QWidget* w, QKeyEvent* e) {
    int key = 0;
    switch (e->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            key = 13;
            break;
        case Qt::Key_Escape:
            key = 27;
            break;
        case Qt::Key_Backspace:
            key = 8;
            break;
        default: {
            QString t = e->text();
            if (t.size() == 1 && t[0].unicode() >= 32 && t[0].unicode() < 256 && t[0].unicode() != 127)
                key = t[0].unicode();
        }
    }
    if (key == 0) return false;
    int16_t result;
    {
        ui::UserEventScope user;
        result = tb.KeyPress(static_cast<int16_t>(key));
    }
    if (WidgetFor(tb) != w) return true;  // the handler closed the window
    if (result == 0) return true;
    bool multiline = tb.MultiLine();
    if (result == 13 && !multiline) {
        if (ui::CommandButton* b = tb.Parent().DefaultButton()) {
            ui::UserEventScope user;
            b->Click();
        }
        return true;
    }
    if (result == 27) {
        if (ui::CommandButton* b = tb.Parent().CancelButton()) {
            ui::UserEventScope user;
            b->Click();
        }
        return true;
    }
    if (result != key && result >= 32 && result < 256) {
        QString ch(QChar(static_cast<ushort>(result)));
        if (auto* line = qobject_cast<QLineEdit*>(w)) {
            if (!line->isReadOnly()) {
                line->insert(ch);
                emit line->textEdited(line->text());
            }
        } else if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) {
            if (!edit->isReadOnly()) edit->insertPlainText(ch);
        }
        return true;
    }
    return false;
}

bool QtBackend::WindowKey(Window& win, QKeyEvent* e) {
    ui::CommandButton* b = nullptr;
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter)
        b = win.form->DefaultButton();
    else if (e->key() == Qt::Key_Escape)
        b = win.form->CancelButton();
    if (!b) return false;
    ui::UserEventScope user;
    b->Click();
    return true;
}

bool QtBackend::eventFilter(QObject* watched, QEvent* event) {
    auto form_it = form_of_.find(watched);
    if (form_it != form_of_.end()) {
        ui::Form& form = *form_it->second;
        Window* win = WindowFor(form);
        if (!win) return false;
        switch (event->type()) {
            case QEvent::Close: {
                if (syncing_) return false;
                {
                    ui::UserEventScope user;
                    form.UserClosed();
                }
                if (form.Loaded()) {
                    event->ignore();
                    return true;
                }
                return false;
            }
            case QEvent::Move:
                if (!syncing_) {
                    QRect g = win->widget->frameGeometry();
                    form.UserMoved(g.left() * kTwipsPerPixel, g.top() * kTwipsPerPixel);
                }
                return false;
            case QEvent::Resize:
                if (!syncing_)
                    form.UserResized(win->widget->width() * kTwipsPerPixel, win->widget->height() * kTwipsPerPixel);
                return false;
            case QEvent::KeyPress:
                return WindowKey(*win, static_cast<QKeyEvent*>(event));
            default:
                return false;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto it = owner_of_.find(watched);
        if (it != owner_of_.end() && it->second->Kind() == ui::ControlKind::TextBox)
            return TextKey(static_cast<ui::TextBox&>(*it->second), static_cast<QWidget*>(watched),
                           static_cast<QKeyEvent*>(event));
    }
    return false;
}

}  // namespace

// Public helpers.

void EnsureApplication() {
    if (QCoreApplication::instance()) return;
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "tessawin-test";
    static char* argv[] = {name, nullptr};
    new QApplication(argc, argv);
}

void InstallBackend() {
    auto backend = std::make_shared<QtBackend>();
    g_backend = backend.get();
    ui::SetBackend(backend);
}

QWidget* WindowOf(const ui::Form& form) {
    return g_backend ? g_backend->WindowWidget(form) : nullptr;
}
QWidget* WidgetOf(const ui::Control& control) {
    return g_backend ? g_backend->WidgetFor(control) : nullptr;
}

QWidget* FindWidget(const ui::Form& form, const std::string& name, int index) {
    ui::Control* c = form.FindControl(name, index);
    return c ? WidgetOf(*c) : nullptr;
}

void SetMessageBoxHook(MessageBoxHook hook) {
    g_message_hook = std::move(hook);
}
void SetInputBoxHook(InputBoxHook hook) {
    g_input_hook = std::move(hook);
}
void SetFileDialogHook(FileDialogHook hook) {
    g_file_hook = std::move(hook);
}

std::string QtFilter(const std::string& filter) {
    QStringList parts = FromBytes(filter).split('|');
    if (filter.empty()) return "";
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString desc = parts[i].trimmed();
        QStringList patterns;
        for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts)) {
            QString pat = p.trimmed();
            if (pat == QStringLiteral("*.*")) pat = QStringLiteral("*");  // every file, dotted or not
            if (!patterns.contains(pat)) patterns << pat;
            QString upper = pat.toUpper();
            if (upper != pat && !patterns.contains(upper)) patterns << upper;  // Windows names match in any case
        }
        // Qt takes the patterns from the last bracket pair: a description's
        // own "(*.csv)" gives way to ours.
        int open = desc.lastIndexOf('(');
        if (open > 0 && desc.endsWith(')')) desc = desc.left(open).trimmed();
        out << QStringLiteral("%1 (%2)").arg(desc, patterns.join(' '));
    }
    return ToBytes(out.join(QStringLiteral(";;")));
}

int RunApplication(int argc, char** argv, const std::function<ui::Form&()>& create_main_form) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);  // the main form's unload ends the loop
    InstallBackend();
    QtBackend* backend = g_backend;
    ui::Form& main = create_main_form();
    backend->main_form = &main;
    main.Show();
    int rc = 0;
    if (main.Loaded()) rc = app.exec();
    backend->main_form = nullptr;
    ui::SetBackend(nullptr);  // deletes the windows while the application lives
    g_backend = nullptr;
    return rc;
}

}  // namespace tw_qt
