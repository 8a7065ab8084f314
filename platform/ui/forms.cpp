#include "forms.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "backend.h"
#include "ui.h"

namespace ui {

namespace {

int& event_depth() {
    static int depth = 0;
    return depth;
}

unsigned long& command_serial() {
    static unsigned long serial = 0;
    return serial;
}

// Never destroyed, for the same reason as the backend slot.
std::vector<Form*>& registry() {
    static auto* forms = new std::vector<Form*>();
    return *forms;
}

bool same_name(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

bool is_fixed_pitch_font(const std::string& name) {
    static const std::array<const char*, 6> names = {"Courier New", "Courier",   "Lucida Console",
                                                     "Consolas",    "Monospace", "Fixedsys"};
    return std::any_of(names.begin(), names.end(), [&](const char* n) { return same_name(name, n); });
}

int clamp_caret(int pos, const std::string& text) {
    return std::clamp(pos, 0, static_cast<int>(text.size()));
}

}  // namespace

// Events.

void RaiseEvent(const std::function<void()>& handler) {
    if (!handler) return;
    if (event_depth() > 0) {
        handler();
        return;
    }
    ++event_depth();
    ++command_serial();
    RunCommand(handler);
    --event_depth();
}

unsigned long CommandSerial() {
    return command_serial();
}

UserEventScope::UserEventScope() : saved_depth_(event_depth()) {
    event_depth() = 0;
}
UserEventScope::~UserEventScope() {
    event_depth() = saved_depth_;
}

Where In(Frame& frame) {
    return Where{&frame, -1};
}
Where OnTab(TabStrip& strip, int tab) {
    return Where{&strip, tab};
}

// Control.

void Control::Changed(Prop p) {
    if (form_ && form_->Loaded()) CurrentBackend().ControlChanged(*this, p);
}

void Control::SetLeft(int twips) {
    Move(twips, c_.top, c_.width, c_.height);
}
void Control::SetTop(int twips) {
    Move(c_.left, twips, c_.width, c_.height);
}
void Control::SetWidth(int twips) {
    Move(c_.left, c_.top, twips, c_.height);
}
void Control::SetHeight(int twips) {
    Move(c_.left, c_.top, c_.width, twips);
}

void Control::Move(int left, int top, int width, int height) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (left == c_.left && top == c_.top && width == c_.width && height == c_.height) return;
    c_.left = left;
    c_.top = top;
    c_.width = width;
    c_.height = height;
    Changed(Prop::Geometry);
}

void Control::SetVisible(bool visible) {
    if (visible == c_.visible) return;
    c_.visible = visible;
    if (!visible && form_ && form_->active_ == this) form_->active_ = nullptr;
    Changed(Prop::Visible);
}

void Control::SetEnabled(bool enabled) {
    if (enabled == c_.enabled) return;
    c_.enabled = enabled;
    if (!enabled && form_ && form_->active_ == this) form_->active_ = nullptr;
    Changed(Prop::Enabled);
}

void Control::SetToolTipText(const std::string& text) {
    if (text == c_.tooltip) return;
    c_.tooltip = text;
    Changed(Prop::ToolTip);
}

void Control::SetFontName(const std::string& name) {
    c_.font_name = name;
    c_.fixed_pitch = is_fixed_pitch_font(name);
    Changed(Prop::Font);
}

void Control::SetFixedPitch(bool fixed) {
    if (fixed == c_.fixed_pitch) return;
    c_.fixed_pitch = fixed;
    Changed(Prop::Font);
}

void Control::SetFocus() {
    if (!form_ || !form_->Loaded() || !c_.visible || !c_.enabled) return;
    switch (Kind()) {
        case ControlKind::Label:
        case ControlKind::Frame:
            return;  // they cannot hold the focus
        default:
            break;
    }
    form_->active_ = this;
    CurrentBackend().FocusChanged(*this);
}

bool Control::HasFocus() const {
    return form_ && form_->active_ == this;
}

void Control::Refresh() {
    if (form_ && form_->Loaded()) CurrentBackend().Repaint(*this);
}

// TextBox.

void TextBox::SetText(const std::string& text) {
    if (text == s_.text) return;
    s_.text = text;
    s_.sel_start = static_cast<int>(text.size());
    s_.sel_length = 0;
    Changed(Prop::Text);
    Change();
}

void TextBox::AppendText(const std::string& more) {
    if (more.empty()) return;
    appended_from_ = s_.text.size();
    s_.text += more;
    s_.sel_start = static_cast<int>(s_.text.size());
    s_.sel_length = 0;
    Changed(Prop::Appended);
    Change();
}

void TextBox::SetMultiLine(bool on) {
    s_.multiline = on;
    Changed(Prop::Style);
}

void TextBox::SetScrollBars(int bars) {
    s_.scrollbars = std::clamp(bars, 0, 3);
    Changed(Prop::Style);
}

void TextBox::SetLocked(bool locked) {
    s_.locked = locked;
    Changed(Prop::Locked);
}

void TextBox::SetSelStart(int pos) {
    s_.sel_start = clamp_caret(pos, s_.text);
    s_.sel_length = 0;
    Changed(Prop::Selection);
}

void TextBox::SetSelLength(int len) {
    s_.sel_length = std::clamp(len, 0, static_cast<int>(s_.text.size()) - s_.sel_start);
    Changed(Prop::Selection);
}

std::string TextBox::SelText() const {
    return s_.text.substr(s_.sel_start, s_.sel_length);
}

int16_t TextBox::KeyPress(int16_t KeyAscii) {
    if (OnKeyPress) RaiseEvent([&] { OnKeyPress(KeyAscii); });
    return KeyAscii;
}

void TextBox::Type(const std::string& keys) {
    for (unsigned char ch : keys) {
        int16_t k = KeyPress(static_cast<int16_t>(ch));
        if (k == 0 || s_.locked) continue;
        if (k == 13 && !s_.multiline) {
            if (CommandButton* b = Parent().DefaultButton()) b->Click();
            continue;
        }
        if (k == 27) {
            if (CommandButton* b = Parent().CancelButton()) b->Click();
            continue;
        }
        std::string text = s_.text;
        int start = clamp_caret(s_.sel_start, text);
        int len = std::min(s_.sel_length, static_cast<int>(text.size()) - start);
        if (k == 8) {
            if (len == 0 && start > 0) {
                --start;
                len = 1;
            }
            text.erase(start, len);
        } else {
            // Enter types CR LF.
            const char typed[2] = {k == 13 ? '\r' : static_cast<char>(k), '\n'};
            const std::size_t n = k == 13 ? 2 : 1;
            text.replace(static_cast<std::size_t>(start), static_cast<std::size_t>(len), typed, n);
            start += static_cast<int>(n);
        }
        if (text != s_.text) {
            s_.text = text;
            s_.sel_start = start;
            s_.sel_length = 0;
            Changed(Prop::Text);
            Change();
        }
    }
}

void TextBox::Change() {
    RaiseEvent(OnChange);
}

void TextBox::RestoreDesign() {
    s_ = design_;
    Changed(Prop::Style);
    Changed(Prop::Locked);
    Changed(Prop::Text);
}

// CheckBox.

void CheckBox::SetCaption(const std::string& caption) {
    s_.caption = caption;
    Changed(Prop::Caption);
}

void CheckBox::SetValue(int value) {
    value = std::clamp(value, 0, 2);
    if (value == s_.value) return;
    s_.value = value;
    Changed(Prop::Value);
    RaiseEvent(OnClick);
}

void CheckBox::Click() {
    SetValue(s_.value == vbChecked ? vbUnchecked : vbChecked);
}

void CheckBox::RestoreDesign() {
    s_ = design_;
    Changed(Prop::Caption);
    Changed(Prop::Value);
}

// OptionButton.

void OptionButton::SetCaption(const std::string& caption) {
    s_.caption = caption;
    Changed(Prop::Caption);
}

void OptionButton::SetValue(bool on) {
    if (on == s_.value) return;
    s_.value = on;
    if (on) {
        for (const auto& c : Parent().Controls()) {
            if (c.get() == this || c->Kind() != ControlKind::OptionButton) continue;
            if (c->Container() != Container() || c->ContainerTab() != ContainerTab()) continue;
            auto* other = static_cast<OptionButton*>(c.get());
            if (other->s_.value) {
                other->s_.value = false;
                other->Changed(Prop::Value);
            }
        }
    }
    Changed(Prop::Value);
    if (on) RaiseEvent(OnClick);
}

void OptionButton::Click() {
    SetValue(true);
}

void OptionButton::SetPicture(const std::string& image_file) {
    s_.picture = image_file;
    Changed(Prop::Style);
}

void OptionButton::RestoreDesign() {
    s_ = design_;
    Changed(Prop::Style);
    Changed(Prop::Caption);
    Changed(Prop::Value);
}

// Label.

void Label::SetCaption(const std::string& caption) {
    if (caption == s_.caption) return;
    s_.caption = caption;
    Changed(Prop::Caption);
}

void Label::RestoreDesign() {
    s_ = design_;
    Changed(Prop::Caption);
}

// CommandButton.

void CommandButton::SetCaption(const std::string& caption) {
    s_.caption = caption;
    Changed(Prop::Caption);
}

void CommandButton::SetExclusive(bool State::*flag, bool on) {
    if (on) {
        for (const auto& c : Parent().Controls()) {
            if (c->Kind() == ControlKind::CommandButton && c.get() != this) {
                auto* b = static_cast<CommandButton*>(c.get());
                if (b->s_.*flag) {
                    b->s_.*flag = false;
                    b->Changed(Prop::Style);
                }
            }
        }
    }
    s_.*flag = on;
    Changed(Prop::Style);
}

void CommandButton::SetDefault(bool on) {
    SetExclusive(&State::is_default, on);
}

void CommandButton::SetCancel(bool on) {
    SetExclusive(&State::is_cancel, on);
}

void CommandButton::Click() {
    if (!Enabled()) return;
    RaiseEvent(OnClick);
}

void CommandButton::RestoreDesign() {
    s_ = design_;
    Changed(Prop::Caption);
    Changed(Prop::Style);
}

// Frame.

void Frame::SetCaption(const std::string& caption) {
    s_.caption = caption;
    Changed(Prop::Caption);
}

void Frame::RestoreDesign() {
    s_ = design_;
    Changed(Prop::Caption);
}

// TabStrip.

void TabStrip::SetTabs(int count) {
    count = std::max(count, 1);
    s_.captions.resize(count);
    Changed(Prop::Tabs);
    if (s_.current >= count) SetTab(count - 1);
}

std::string TabStrip::TabCaption(int i) const {
    if (i < 0 || i >= Tabs()) return "";
    return s_.captions[i];
}

void TabStrip::SetTabCaption(int i, const std::string& caption) {
    if (i < 0 || i >= Tabs()) return;
    s_.captions[i] = caption;
    Changed(Prop::Tabs);
}

void TabStrip::SetTab(int i) {
    if (i < 0 || i >= Tabs() || i == s_.current) return;
    int previous = s_.current;
    s_.current = i;
    Changed(Prop::CurrentTab);
    if (OnClick) RaiseEvent([&] { OnClick(previous); });
}

void TabStrip::SetTabHeight(int twips) {
    s_.tab_height = std::max(twips, 0);
    Changed(Prop::Geometry);
}

void TabStrip::RestoreDesign() {
    s_ = design_;
    Changed(Prop::Tabs);
    Changed(Prop::CurrentTab);
}

// ListBox.

void ListBox::AddItem(const std::string& item, int index) {
    if (index < 0 || index > ListCount()) index = ListCount();
    s_.items.insert(s_.items.begin() + index, item);
    s_.selected.insert(s_.selected.begin() + index, false);
    if (s_.list_index >= index) ++s_.list_index;
    Changed(Prop::Items);
}

void ListBox::RemoveItem(int index) {
    if (index < 0 || index >= ListCount()) return;
    s_.items.erase(s_.items.begin() + index);
    s_.selected.erase(s_.selected.begin() + index);
    if (s_.list_index == index)
        s_.list_index = -1;
    else if (s_.list_index > index)
        --s_.list_index;
    Changed(Prop::Items);
}

void ListBox::Clear() {
    s_.items.clear();
    s_.selected.clear();
    s_.list_index = -1;
    Changed(Prop::Items);
}

std::string ListBox::List(int i) const {
    if (i < 0 || i >= ListCount()) return "";
    return s_.items[i];
}

void ListBox::SetList(int i, const std::string& item) {
    if (i < 0 || i >= ListCount()) return;
    s_.items[i] = item;
    Changed(Prop::Items);
}

void ListBox::SetListIndex(int i) {
    if (i < -1 || i >= ListCount()) return;
    if (i == s_.list_index) return;
    s_.list_index = i;
    if (!s_.multi) {
        std::fill(s_.selected.begin(), s_.selected.end(), false);
        if (i >= 0) s_.selected[i] = true;
        Changed(Prop::Selected);
    }
    Changed(Prop::ListIndex);
    RaiseEvent(OnClick);
}

void ListBox::SetMultiSelect(bool on) {
    s_.multi = on;
    Changed(Prop::Style);
}

bool ListBox::Selected(int i) const {
    return i >= 0 && i < ListCount() && s_.selected[i];
}

void ListBox::SetSelected(int i, bool on) {
    if (i < 0 || i >= ListCount() || s_.selected[i] == on) return;
    if (!s_.multi) {
        if (on) {
            SetListIndex(i);
        } else {
            s_.selected[i] = false;
            Changed(Prop::Selected);
        }
        return;
    }
    s_.selected[i] = on;
    Changed(Prop::Selected);
}

int ListBox::SelCount() const {
    return static_cast<int>(std::count(s_.selected.begin(), s_.selected.end(), true));
}

void ListBox::ClickItem(int i) {
    if (i < 0 || i >= ListCount()) return;
    if (s_.multi) {
        s_.selected[i] = !s_.selected[i];
        Changed(Prop::Selected);
        if (s_.list_index != i) {
            s_.list_index = i;
            Changed(Prop::ListIndex);
        }
        RaiseEvent(OnClick);
    } else {
        SetListIndex(i);
    }
}

void ListBox::RestoreDesign() {
    s_ = design_;
    Changed(Prop::Style);
    Changed(Prop::Items);
}

// Form.

Form::Form(std::string name, std::string caption) : name_(std::move(name)) {
    s_.caption = std::move(caption);
}

Form::~Form() {
    if (loaded_) {
        auto& forms = registry();
        forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
        CurrentBackend().FormUnloaded(*this);
    }
}

void Form::SetCaption(const std::string& caption) {
    s_.caption = caption;
    if (loaded_) CurrentBackend().FormChanged(*this, Prop::Caption);
}

void Form::SetLeft(int twips) {
    Move(twips, s_.top, s_.width, s_.height);
}
void Form::SetTop(int twips) {
    Move(s_.left, twips, s_.width, s_.height);
}
void Form::SetWidth(int twips) {
    Move(s_.left, s_.top, twips, s_.height);
}
void Form::SetHeight(int twips) {
    Move(s_.left, s_.top, s_.width, twips);
}

void Form::Move(int left, int top, int width, int height) {
    s_.left = left;
    s_.top = top;
    s_.width = std::max(width, 0);
    s_.height = std::max(height, 0);
    if (loaded_) CurrentBackend().FormChanged(*this, Prop::Geometry);
}

void Form::UserMoved(int left, int top) {
    s_.left = left;
    s_.top = top;
}

void Form::UserResized(int width, int height) {
    s_.width = width;
    s_.height = height;
}

void Form::UserFocused(Control* c) {
    active_ = c;
}

void Form::Load() {
    if (loaded_) return;
    if (!ever_loaded_) {
        design_ = s_;
        for (auto& c : controls_) {
            c->c_design_ = c->c_;
            c->SaveDesign();
        }
        ever_loaded_ = true;
    } else {
        s_ = design_;
        for (auto& c : controls_) {
            c->c_ = c->c_design_;
            c->RestoreDesign();
        }
    }
    active_ = nullptr;
    loaded_ = true;
    registry().push_back(this);
    RaiseEvent([this] { Form_Load(); });
}

bool Form::Unload() {
    if (!loaded_) return true;
    int16_t cancel = 0;
    RaiseEvent([&] { Form_Unload(cancel); });
    if (cancel != 0 || !loaded_) return !loaded_;
    if (visible_) SetVisibleState(false);
    loaded_ = false;
    modal_ = false;
    active_ = nullptr;
    auto& forms = registry();
    forms.erase(std::remove(forms.begin(), forms.end(), this), forms.end());
    CurrentBackend().FormUnloaded(*this);
    return true;
}

void Form::SetVisibleState(bool visible) {
    visible_ = visible;
    if (visible)
        CurrentBackend().FormShown(*this);
    else
        CurrentBackend().FormHidden(*this);
}

void Form::Show(int modal) {
    Load();
    if (!loaded_) return;
    if (modal == vbModal) {
        if (modal_ && visible_) return;  // already waited for further up
        modal_ = true;
        SetVisibleState(true);
        CurrentBackend().RunModal(*this);
        if (!visible_ || !loaded_) modal_ = false;
        return;
    }
    SetVisibleState(true);  // shown again: the backend brings it to the front
}

void Form::Hide() {
    if (!visible_) return;
    modal_ = false;
    SetVisibleState(false);
}

void Form::Refresh() {
    if (loaded_) CurrentBackend().Repaint(*this);
}

Control* Form::FindControl(const std::string& name, int index) const {
    for (const auto& c : controls_)
        if (c->Index() == index && same_name(c->Name(), name)) return c.get();
    return nullptr;
}

CommandButton* Form::DefaultButton() const {
    for (const auto& c : controls_)
        if (c->Kind() == ControlKind::CommandButton && static_cast<CommandButton*>(c.get())->Default())
            return static_cast<CommandButton*>(c.get());
    return nullptr;
}

CommandButton* Form::CancelButton() const {
    for (const auto& c : controls_)
        if (c->Kind() == ControlKind::CommandButton && static_cast<CommandButton*>(c.get())->Cancel())
            return static_cast<CommandButton*>(c.get());
    return nullptr;
}

void Form::Adopt(std::unique_ptr<Control> c, const std::string& name, Where where, int index) {
    c->form_ = this;
    c->name_ = name;
    c->index_ = index < 0 ? -1 : index;
    if (where.container && where.container->Kind() != ControlKind::TabStrip) where.tab = -1;
    if (where.container && where.container->Kind() != ControlKind::Frame &&
        where.container->Kind() != ControlKind::TabStrip)
        where = Where{};
    c->where_ = where;
    controls_.push_back(std::move(c));
    if (loaded_) {
        Control& added = *controls_.back();
        added.c_design_ = added.c_;
        added.SaveDesign();
        CurrentBackend().ControlChanged(added, Prop::Geometry);
    }
}

const std::vector<Form*>& LoadedForms() {
    return registry();
}

Form* FindForm(const std::string& name) {
    for (Form* f : registry())
        if (same_name(f->Name(), name)) return f;
    return nullptr;
}

}  // namespace ui
