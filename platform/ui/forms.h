// Windows (forms) and the controls on them. A form is a C++ class that owns
// its controls; the backend (headless for tests, Qt for the program) hears of
// every change through FormHost and reports user edits back through the
// controls' own setters, so the form is always the one truth.
//
// Lengths are in twips (15 a pixel). A control inside a frame or a tab page is
// placed relative to that frame, or to the tab strip's own top-left corner.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace ui {

class Form;
class Control;
class Frame;
class TabStrip;
class CommandButton;

enum class ControlKind { TextBox, CheckBox, OptionButton, Label, CommandButton, Frame, TabStrip, ListBox };

// The property that changed, as told to the backend.
enum class Prop {
    Caption,  // form or control caption
    Text,
    Value,     // check box or option value
    Geometry,  // Left/Top/Width/Height
    Visible,
    Enabled,
    ToolTip,
    Font,
    Locked,
    Selection,  // SelStart/SelLength
    Style,      // MultiLine, ScrollBars, Default, Cancel, MultiSelect, Picture
    Tabs,       // tab count or captions
    CurrentTab,
    Items,  // list contents
    ListIndex,
    Selected,  // multi-select states
    Appended,  // text added at the end of a text box (TextBox::AppendedFrom)
};

// Scroll bars of a text box.
enum : int { vbSBNone = 0, vbHorizontal = 1, vbVertical = 2, vbBoth = 3 };

// Check box values.
enum : int { vbUnchecked = 0, vbChecked = 1, vbGrayed = 2 };

// Show(vbModal) waits until the form is hidden or unloaded.
enum : int { vbModeless = 0, vbModal = 1 };

// What a backend hears about forms. Every method has a do-nothing default.
class FormHost {
public:
    virtual ~FormHost() = default;
    virtual void FormShown(Form&) {}
    virtual void FormHidden(Form&) {}
    virtual void FormUnloaded(Form&) {}       // the form's widgets may go
    virtual void FormChanged(Form&, Prop) {}  // Caption or Geometry
    virtual void ControlChanged(Control&, Prop) {}
    virtual void FocusChanged(Control&) {}  // SetFocus moved the focus here
    virtual void Repaint(Form&) {}          // paint now, run no other events
    virtual void Repaint(Control&) {}
    // Runs until the form is no longer visible (Show(vbModal)). The headless
    // backend hands the form to the test instead.
    virtual void RunModal(Form&) {}
};

// Runs an event handler. From the outermost level it goes through RunCommand,
// so an abandoned command never escapes; nested raises (a handler setting a
// text that fires Change) run directly, so an abandon ends the whole command.
void RaiseEvent(const std::function<void()>& handler);

// Counts the outermost events raised so far, so it differs from one command
// to the next: state that must last only for one command is kept with the
// number it was made under.
unsigned long CommandSerial();

// Makes events raised inside it outermost again: used where the user acts
// while a command runs (DoEvents, a modal window's own event loop).
class UserEventScope {
public:
    UserEventScope();
    ~UserEventScope();
    UserEventScope(const UserEventScope&) = delete;
    UserEventScope& operator=(const UserEventScope&) = delete;

private:
    int saved_depth_;
};

// Where a control sits: on the form, inside a frame, or on a tab page.
struct Where {
    Control* container = nullptr;  // a Frame or a TabStrip; null for the form
    int tab = -1;                  // the tab page when container is a TabStrip
};
Where In(Frame& frame);
Where OnTab(TabStrip& strip, int tab);

// Base of all controls.
class Control {
public:
    virtual ~Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    virtual ControlKind Kind() const = 0;
    const std::string& Name() const { return name_; }
    // Index in a control array (chkCS(3) has 3); -1 for a plain control.
    int Index() const { return index_; }
    bool IsArrayElement() const { return index_ >= 0; }
    Form& Parent() const { return *form_; }
    Control* Container() const { return where_.container; }
    int ContainerTab() const { return where_.tab; }
    const Where& Placement() const { return where_; }

    int Left() const { return c_.left; }
    int Top() const { return c_.top; }
    int Width() const { return c_.width; }
    int Height() const { return c_.height; }
    void SetLeft(int twips);
    void SetTop(int twips);
    void SetWidth(int twips);
    void SetHeight(int twips);
    void Move(int left, int top, int width, int height);

    bool Visible() const { return c_.visible; }
    void SetVisible(bool visible);
    bool Enabled() const { return c_.enabled; }
    void SetEnabled(bool enabled);
    const std::string& ToolTipText() const { return c_.tooltip; }
    void SetToolTipText(const std::string& text);
    const std::string& FontName() const { return c_.font_name; }
    // "Courier New" and the other common fixed-pitch names set FixedPitch too.
    void SetFontName(const std::string& name);
    bool FixedPitch() const { return c_.fixed_pitch; }
    void SetFixedPitch(bool fixed);

    // Moves the focus here when the control can take it (visible, enabled,
    // on a loaded form); otherwise nothing happens.
    void SetFocus();
    bool HasFocus() const;
    // Paints the control at once; no other events run.
    void Refresh();

protected:
    Control() = default;
    void Changed(Prop p);
    virtual void SaveDesign() = 0;
    virtual void RestoreDesign() = 0;

private:
    friend class Form;
    struct Common {
        int left = 0, top = 0, width = 1215, height = 375;
        bool visible = true, enabled = true, fixed_pitch = false;
        std::string tooltip, font_name;
    };

    Form* form_ = nullptr;
    std::string name_;
    int index_ = -1;
    Where where_;
    Common c_, c_design_;
};

class TextBox : public Control {
public:
    ControlKind Kind() const override { return ControlKind::TextBox; }

    const std::string& Text() const { return s_.text; }
    // Raises Change when the text differs. The caret goes to the end.
    void SetText(const std::string& text);
    // Adds text at the end, as SetText(Text() + more) does, at a cost in
    // proportion to `more` rather than to the whole text.
    void AppendText(const std::string& more);
    // Where the text added by the last AppendText begins, for the backend.
    std::size_t AppendedFrom() const { return appended_from_; }
    bool MultiLine() const { return s_.multiline; }
    void SetMultiLine(bool on);
    int ScrollBars() const { return s_.scrollbars; }
    void SetScrollBars(int bars);
    bool Locked() const { return s_.locked; }
    void SetLocked(bool locked);
    // Caret and selection, in characters (bytes) from the start.
    int SelStart() const { return s_.sel_start; }
    int SelLength() const { return s_.sel_length; }
    void SetSelStart(int pos);
    void SetSelLength(int len);
    std::string SelText() const;

    // Raises KeyPress; returns the key to go on with (0 when the handler
    // swallowed it).
    int16_t KeyPress(int16_t KeyAscii);
    // Types text as a user would: each character through KeyPress, then
    // into the text at the caret (replacing the selection). Honours Locked.
    void Type(const std::string& keys);
    void Change();

    std::function<void()> OnChange;
    std::function<void(int16_t& KeyAscii)> OnKeyPress;

protected:
    void SaveDesign() override { design_ = s_; }
    void RestoreDesign() override;

private:
    friend class Form;
    struct State {
        std::string text;
        bool multiline = false, locked = false;
        int scrollbars = vbSBNone, sel_start = 0, sel_length = 0;
    } s_, design_;
    std::size_t appended_from_ = 0;
};

class CheckBox : public Control {
public:
    ControlKind Kind() const override { return ControlKind::CheckBox; }
    const std::string& Caption() const { return s_.caption; }
    void SetCaption(const std::string& caption);
    // 0 unchecked, 1 checked, 2 grey. Raises Click when it changes.
    int Value() const { return s_.value; }
    void SetValue(int value);
    // A user's click: ticks an unticked or grey box, unticks a ticked one.
    void Click();

    std::function<void()> OnClick;

protected:
    void SaveDesign() override { design_ = s_; }
    void RestoreDesign() override;

private:
    struct State {
        std::string caption;
        int value = vbUnchecked;
    } s_, design_;
};

// Option buttons with the same container (and tab page) form one group.
class OptionButton : public Control {
public:
    ControlKind Kind() const override { return ControlKind::OptionButton; }
    const std::string& Caption() const { return s_.caption; }
    void SetCaption(const std::string& caption);
    bool Value() const { return s_.value; }
    // True turns the others of its group off and raises Click when it was
    // off; False only turns this one off.
    void SetValue(bool on);
    // A user's click: SetValue(true).
    void Click();
    // A graphical option shows this image file instead of the round mark.
    const std::string& Picture() const { return s_.picture; }
    void SetPicture(const std::string& image_file);

    std::function<void()> OnClick;

protected:
    void SaveDesign() override { design_ = s_; }
    void RestoreDesign() override;

private:
    struct State {
        std::string caption, picture;
        bool value = false;
    } s_, design_;
};

class Label : public Control {
public:
    ControlKind Kind() const override { return ControlKind::Label; }
    const std::string& Caption() const { return s_.caption; }
    void SetCaption(const std::string& caption);

protected:
    void SaveDesign() override { design_ = s_; }
    void RestoreDesign() override;

private:
    struct State {
        std::string caption;
    } s_, design_;
};

class CommandButton : public Control {
public:
    ControlKind Kind() const override { return ControlKind::CommandButton; }
    const std::string& Caption() const { return s_.caption; }
    void SetCaption(const std::string& caption);
    // The button Enter presses / the button Escape presses (one per form).
    bool Default() const { return s_.is_default; }
    void SetDefault(bool on);
    bool Cancel() const { return s_.is_cancel; }
    void SetCancel(bool on);
    // Raises Click when the button is enabled (a user cannot press a disabled
    // button; code calls its handler directly).
    void Click();

    std::function<void()> OnClick;

protected:
    void SaveDesign() override { design_ = s_; }
    void RestoreDesign() override;

private:
    struct State {
        std::string caption;
        bool is_default = false, is_cancel = false;
    } s_, design_;
    // Sets FLAG; set on, it goes off on the form's other buttons.
    void SetExclusive(bool State::*flag, bool on);
};

class Frame : public Control {
public:
    ControlKind Kind() const override { return ControlKind::Frame; }
    const std::string& Caption() const { return s_.caption; }
    void SetCaption(const std::string& caption);

protected:
    void SaveDesign() override { design_ = s_; }
    void RestoreDesign() override;

private:
    struct State {
        std::string caption;
    } s_, design_;
};

// A tab control (SSTab): pages 0..Tabs()-1, one of them current.
class TabStrip : public Control {
public:
    ControlKind Kind() const override { return ControlKind::TabStrip; }
    int Tabs() const { return static_cast<int>(s_.captions.size()); }
    void SetTabs(int count);
    // Caption of page i; "" for a page that does not exist.
    std::string TabCaption(int i) const;
    void SetTabCaption(int i, const std::string& caption);
    int Tab() const { return s_.current; }
    // Selects page i (ignored when out of range); raises Click with the
    // previous page when the page changes.
    void SetTab(int i);
    // Height of the page headers, twips; controls on a page sit below it.
    int TabHeight() const { return s_.tab_height; }
    void SetTabHeight(int twips);

    std::function<void(int PreviousTab)> OnClick;

protected:
    void SaveDesign() override { design_ = s_; }
    void RestoreDesign() override;

private:
    struct State {
        std::vector<std::string> captions;
        int current = 0;
        int tab_height = 360;
    } s_, design_;
};

class ListBox : public Control {
public:
    ControlKind Kind() const override { return ControlKind::ListBox; }
    // Adds an entry at the end, or before entry `index`.
    void AddItem(const std::string& item, int index = -1);
    void RemoveItem(int index);
    void Clear();
    int ListCount() const { return static_cast<int>(s_.items.size()); }
    // Entry i (0-based); "" out of range.
    std::string List(int i) const;
    void SetList(int i, const std::string& item);
    // The current entry, -1 for none; raises Click when it changes.
    int ListIndex() const { return s_.list_index; }
    void SetListIndex(int i);
    // Several entries may be selected at once.
    bool MultiSelect() const { return s_.multi; }
    void SetMultiSelect(bool on);
    bool Selected(int i) const;
    void SetSelected(int i, bool on);
    int SelCount() const;
    // A user's click on entry i: makes it current; in a multi-select list
    // also toggles its selection; in a single one selects only it.
    void ClickItem(int i);

    std::function<void()> OnClick;

protected:
    void SaveDesign() override { design_ = s_; }
    void RestoreDesign() override;

private:
    struct State {
        std::vector<std::string> items;
        std::vector<bool> selected;
        int list_index = -1;
        bool multi = false;
    } s_, design_;
};

// The elements of a control array, reached as in chkCS(3).
template <class C>
class ControlArray {
public:
    ControlArray() = default;
    C& operator()(int index) const;
    C* Find(int index) const;
    int LBound() const { return elements_.empty() ? 0 : elements_.front()->Index(); }
    int UBound() const { return elements_.empty() ? -1 : elements_.back()->Index(); }
    int Count() const { return static_cast<int>(elements_.size()); }
    const std::vector<C*>& Elements() const { return elements_; }
    void Append(C& c) { elements_.push_back(&c); }

private:
    std::vector<C*> elements_;
};

// A window. Derived classes create their controls in their constructor (or
// as member initialisers) with Add, and override the event hooks.
class Form {
public:
    explicit Form(std::string name, std::string caption = "");
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return name_; }
    const std::string& Caption() const { return s_.caption; }
    void SetCaption(const std::string& caption);
    int Left() const { return s_.left; }
    int Top() const { return s_.top; }
    int Width() const { return s_.width; }
    int Height() const { return s_.height; }
    void SetLeft(int twips);
    void SetTop(int twips);
    void SetWidth(int twips);
    void SetHeight(int twips);
    void Move(int left, int top, int width, int height);

    bool Loaded() const { return loaded_; }
    bool Visible() const { return visible_; }
    bool Modal() const { return modal_; }

    // Loads the form (joins the window registry and runs Form_Load); nothing
    // when it is loaded already. A form loaded again after an unload starts
    // from its controls' design state, as a new window would.
    void Load();
    // Runs Form_Unload; unless it cancels, hides the form and leaves the
    // registry. Returns true when the form is unloaded afterwards.
    bool Unload();
    // Loads when needed and shows (a shown form comes to the front); vbModal
    // waits until the form is hidden or unloaded.
    void Show(int modal = vbModeless);
    void Hide();
    // Paints the whole window at once; no other events run.
    void Refresh();

    // The controls in creation order (frames and tabs before their contents).
    const std::vector<std::unique_ptr<Control>>& Controls() const { return controls_; }
    // Finds a control by name (any case) and array index (-1 plain).
    Control* FindControl(const std::string& name, int index = -1) const;
    template <class C>
    C* Find(const std::string& name, int index = -1) const {
        return dynamic_cast<C*>(FindControl(name, index));
    }
    // The control with the focus, null for none.
    Control* ActiveControl() const { return active_; }
    CommandButton* DefaultButton() const;
    CommandButton* CancelButton() const;

    // Creates a control owned by the form.
    template <class C>
    C& Add(const std::string& name, Where where = {}, int index = -1) {
        auto owned = std::make_unique<C>();
        C& c = *owned;
        Adopt(std::move(owned), name, where, index);
        return c;
    }
    // Creates the elements first..last of a control array.
    template <class C>
    ControlArray<C> AddArray(const std::string& name, int first, int last, Where where = {}) {
        ControlArray<C> a;
        for (int i = first; i <= last; ++i) a.Append(Add<C>(name, where, i));
        return a;
    }

    // Backend side: what the user did to the window.
    void UserMoved(int left, int top);        // twips
    void UserResized(int width, int height);  // twips
    void UserFocused(Control* c);             // the focus moved here
    // The user closed the window (title bar): an unload request.
    void UserClosed() { Unload(); }

protected:
    virtual void Form_Load() {}
    virtual void Form_Unload(int16_t& Cancel) { (void)Cancel; }

private:
    friend class Control;
    void Adopt(std::unique_ptr<Control> c, const std::string& name, Where where, int index);
    void SetVisibleState(bool visible);

    struct State {
        std::string caption;
        int left = 0, top = 0, width = 4800, height = 3600;
    } s_, design_;
    std::string name_;
    std::vector<std::unique_ptr<Control>> controls_;
    Control* active_ = nullptr;
    bool loaded_ = false, visible_ = false, modal_ = false, ever_loaded_ = false;
};

// The loaded windows, in loading order.
const std::vector<Form*>& LoadedForms();
// The loaded window of that name (any case), null when none.
Form* FindForm(const std::string& name);

// Presses a button as a user would.
inline void ClickButton(CommandButton& b) {
    b.Click();
}

template <class C>
C* ControlArray<C>::Find(int index) const {
    for (C* c : elements_)
        if (c->Index() == index) return c;
    return nullptr;
}

template <class C>
C& ControlArray<C>::operator()(int index) const {
    C* c = Find(index);
    if (!c) throw std::out_of_range("control array index " + std::to_string(index));
    return *c;
}

}  // namespace ui
