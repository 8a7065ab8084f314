#include <cstdio>
#include <utility>

#include "backend.h"

namespace ui {

namespace {
// Never destroyed: windows that are static objects may unload after the
// program's other statics have gone.
std::shared_ptr<Backend>& backend_slot() {
    static auto* backend = new std::shared_ptr<Backend>(std::make_shared<HeadlessBackend>());
    return *backend;
}
}  // namespace

void SetBackend(std::shared_ptr<Backend> backend) {
    backend_slot() = backend ? std::move(backend) : std::make_shared<HeadlessBackend>();
}

Backend& CurrentBackend() {
    return *backend_slot();
}

MsgBoxResult MsgBox(const std::string& prompt, int buttons, const std::string& title) {
    return CurrentBackend().MsgBox(prompt, buttons, title.empty() ? kProgramTitle : title);
}

std::string InputBox(const std::string& prompt, const std::string& title, const std::string& default_text) {
    return CurrentBackend().InputBox(prompt, title.empty() ? kProgramTitle : title, default_text);
}

void DoEvents() {
    CurrentBackend().DoEvents();
}
void Beep() {
    CurrentBackend().Beep();
}
bool Clipboard_Clear() {
    return CurrentBackend().ClearClipboard();
}
bool Clipboard_SetText(const std::string& text) {
    return CurrentBackend().SetClipboardText(text);
}
std::string Clipboard_GetText() {
    return CurrentBackend().ClipboardText();
}
int Screen_Width() {
    return CurrentBackend().ScreenWidthTwips();
}
int Screen_Height() {
    return CurrentBackend().ScreenHeightTwips();
}

Hourglass::Hourglass() {
    CurrentBackend().SetBusyPointer(true);
}
Hourglass::~Hourglass() {
    CurrentBackend().SetBusyPointer(false);
}

FileDialogResult ShowFileDialog(const FileDialogRequest& request) {
    return CurrentBackend().FileDialog(request);
}

void ReportUnexpectedError(const char* what) noexcept {
    try {
        MsgBox(std::string("Unexpected error: ") + what, vbCritical);
    } catch (...) {
        std::fprintf(stderr, "Unexpected error: %s\n", what);
    }
}

// Headless backend.

void HeadlessBackend::ExpectMsgBox(MsgBoxResult answer, std::string prompt_contains) {
    ScriptedAnswer a;
    a.kind = ShownBox::Message;
    a.result = answer;
    a.prompt_contains = std::move(prompt_contains);
    script.push_back(std::move(a));
}

void HeadlessBackend::ExpectInput(std::string answer, std::string prompt_contains) {
    ScriptedAnswer a;
    a.kind = ShownBox::Input;
    a.text = std::move(answer);
    a.prompt_contains = std::move(prompt_contains);
    script.push_back(std::move(a));
}

void HeadlessBackend::ExpectFile(std::string chosen, FileDialogRequest* capture) {
    ScriptedAnswer a;
    a.kind = ShownBox::File;
    a.text = std::move(chosen);
    a.capture = capture;
    script.push_back(std::move(a));
}

void HeadlessBackend::ExpectFileCancel(FileDialogRequest* capture) {
    ScriptedAnswer a;
    a.kind = ShownBox::File;
    a.cancelled = true;
    a.capture = capture;
    script.push_back(std::move(a));
}

bool HeadlessBackend::TakeAnswer(ShownBox::Kind kind, const ShownBox& box, ScriptedAnswer& out) {
    shown.push_back(box);
    if (script.empty() || script.front().kind != kind ||
        (!script.front().prompt_contains.empty() &&
         box.prompt.find(script.front().prompt_contains) == std::string::npos)) {
        if (!affirmative && on_unexpected) on_unexpected(box);
        return false;
    }
    out = std::move(script.front());
    script.pop_front();
    return true;
}

MsgBoxResult HeadlessBackend::MsgBox(const std::string& prompt, int buttons, const std::string& title) {
    ScriptedAnswer a;
    if (!TakeAnswer(ShownBox::Message, ShownBox{ShownBox::Message, prompt, title, buttons, ""}, a)) {
        if (!affirmative) return vbOK;
        switch (buttons & 7) {
            case vbYesNoCancel:
            case vbYesNo: return vbYes;
            case vbAbortRetryIgnore:
            case vbRetryCancel: return vbRetry;
            default: return vbOK;
        }
    }
    return a.result;
}

std::string HeadlessBackend::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& default_text) {
    ScriptedAnswer a;
    if (!TakeAnswer(ShownBox::Input, ShownBox{ShownBox::Input, prompt, title, 0, default_text}, a))
        return affirmative ? default_text : "";
    return a.text;
}

FileDialogResult HeadlessBackend::FileDialog(const FileDialogRequest& request) {
    ScriptedAnswer a;
    FileDialogResult r;
    if (!TakeAnswer(ShownBox::File, ShownBox{ShownBox::File, request.title, request.title, request.flags, ""}, a)) {
        if (affirmative && !request.initial_file.empty()) {
            std::string folder = request.initial_folder;
            if (!folder.empty() && folder.back() != '/') folder += '/';
            r.cancelled = false;
            r.file_name = request.initial_file.find('/') == std::string::npos ? folder + request.initial_file
                                                                               : request.initial_file;
        }
        return r;
    }
    if (a.capture) *a.capture = request;
    r.cancelled = a.cancelled;
    if (!a.cancelled) r.file_name = a.text;
    return r;
}

void HeadlessBackend::RunModal(Form& form) {
    ++modal_shows;
    if (on_modal) on_modal(form);
}

}  // namespace ui
