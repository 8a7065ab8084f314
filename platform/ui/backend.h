// The interface a user-interface backend implements, and the headless backend
// the tests use.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "forms.h"
#include "ui.h"

namespace ui {

// A backend carries out the services of ui.h and hosts the forms (FormHost).
class Backend : public FormHost {
public:
    ~Backend() override = default;
    virtual MsgBoxResult MsgBox(const std::string& prompt, int buttons, const std::string& title) = 0;
    virtual std::string InputBox(const std::string& prompt, const std::string& title,
                                 const std::string& default_text) = 0;
    virtual void DoEvents() = 0;
    virtual void Beep() = 0;
    // False when the clipboard could not be changed.
    virtual bool ClearClipboard() = 0;
    virtual bool SetClipboardText(const std::string& text) = 0;
    virtual std::string ClipboardText() = 0;
    virtual int ScreenWidthTwips() = 0;
    virtual int ScreenHeightTwips() = 0;
    virtual void SetBusyPointer(bool busy) = 0;
    virtual FileDialogResult FileDialog(const FileDialogRequest& request) = 0;
};

// Installs the backend all services go to (the headless one until changed).
void SetBackend(std::shared_ptr<Backend> backend);
Backend& CurrentBackend();

// One box the headless backend was asked to show.
struct ShownBox {
    enum Kind { Message, Input, File } kind = Message;
    std::string prompt;  // for a file dialog: its title
    std::string title;
    int buttons = 0;  // for a file dialog: its flags
    std::string default_text;  // an input box's proposed answer
};

// One scripted answer. `prompt_contains` (when not empty) must occur in the
// prompt of the box it answers, else the box counts as unexpected.
struct ScriptedAnswer {
    ShownBox::Kind kind = ShownBox::Message;
    std::string prompt_contains;
    MsgBoxResult result = vbOK;
    std::string text;                      // input box answer, or the chosen file
    bool cancelled = false;                // file dialog cancelled
    FileDialogRequest* capture = nullptr;  // receives the file dialog request
};

// Answers boxes from a queue and records every box shown. A box with no
// scripted answer left is unexpected: `on_unexpected` is called (tests make it
// fail) and the box is answered with OK, "" or cancel.
class HeadlessBackend : public Backend {
public:
    std::deque<ScriptedAnswer> script;
    std::vector<ShownBox> shown;
    std::function<void(const ShownBox&)> on_unexpected;
    // When set, a box with no scripted answer is answered as a user who
    // accepts everything would: OK, Yes or Retry, the input box's proposed
    // text, the file dialog's proposed folder and file (cancel when it
    // proposes none). Such boxes are recorded but never unexpected.
    bool affirmative = false;
    // Show(vbModal) hands the form here; the test works it and hides or
    // unloads it. Without a handler the form simply stays shown.
    std::function<void(Form&)> on_modal;
    int modal_shows = 0;
    int repaints = 0;
    std::string clipboard;
    // The next this many clears or settings of the clipboard fail.
    int clipboard_clear_failures = 0;
    int clipboard_set_failures = 0;
    int screen_width_twips = 1920 * 15;
    int screen_height_twips = 1080 * 15;
    int busy_depth = 0;
    int do_events_calls = 0;
    int beeps = 0;

    // Convenience for tests.
    void ExpectMsgBox(MsgBoxResult answer, std::string prompt_contains = "");
    void ExpectInput(std::string answer, std::string prompt_contains = "");
    void ExpectFile(std::string chosen, FileDialogRequest* capture = nullptr);
    void ExpectFileCancel(FileDialogRequest* capture = nullptr);

    MsgBoxResult MsgBox(const std::string& prompt, int buttons, const std::string& title) override;
    std::string InputBox(const std::string& prompt, const std::string& title, const std::string& default_text) override;
    void DoEvents() override { ++do_events_calls; }
    void Beep() override { ++beeps; }
    bool ClearClipboard() override {
        if (clipboard_clear_failures > 0) return --clipboard_clear_failures, false;
        clipboard.clear();
        return true;
    }
    bool SetClipboardText(const std::string& text) override {
        if (clipboard_set_failures > 0) return --clipboard_set_failures, false;
        clipboard = text;
        return true;
    }
    std::string ClipboardText() override { return clipboard; }
    int ScreenWidthTwips() override { return screen_width_twips; }
    int ScreenHeightTwips() override { return screen_height_twips; }
    void SetBusyPointer(bool busy) override { busy_depth += busy ? 1 : -1; }
    FileDialogResult FileDialog(const FileDialogRequest& request) override;
    void RunModal(Form& form) override;
    void Repaint(Form&) override { ++repaints; }
    void Repaint(Control&) override { ++repaints; }

private:
    bool TakeAnswer(ShownBox::Kind kind, const ShownBox& box, ScriptedAnswer& out);
};

}  // namespace ui
