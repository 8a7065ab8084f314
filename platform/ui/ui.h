// The user-interface services every window and tool calls: message and input
// boxes, letting the event loop run, the hourglass pointer, clipboard, beep,
// screen size and the common file dialog. A backend (headless for tests, Qt for
// the program) carries them out; see backend.h.
#pragma once

#include <exception>
#include <string>

namespace ui {

// Button sets, icons and default buttons of a message box (add them up).
enum : int {
    vbOKOnly = 0,
    vbOKCancel = 1,
    vbAbortRetryIgnore = 2,
    vbYesNoCancel = 3,
    vbYesNo = 4,
    vbRetryCancel = 5,
    vbCritical = 16,
    vbQuestion = 32,
    vbExclamation = 48,
    vbInformation = 64,
    vbDefaultButton1 = 0,
    vbDefaultButton2 = 256,
    vbDefaultButton3 = 512,
};

// The button a message box was closed with.
enum MsgBoxResult : int {
    vbOK = 1,
    vbCancel = 2,
    vbAbort = 3,
    vbRetry = 4,
    vbIgnore = 5,
    vbYes = 6,
    vbNo = 7,
};

// The program's title, shown on a box that names no title of its own.
inline constexpr const char* kProgramTitle = "Tessawin";

// Shows a message box and waits for the user. `buttons` is a button set plus
// an icon plus a default button; an empty title shows the program's title.
MsgBoxResult MsgBox(const std::string& prompt, int buttons = vbOKOnly, const std::string& title = "");

// Asks for one line of text; returns "" when the user cancels.
std::string InputBox(const std::string& prompt, const std::string& title = "", const std::string& default_text = "");

// Lets pending window events run (inside long loops).
void DoEvents();

// Beeps.
void Beep();

// Clipboard text. Clear and SetText return false when the clipboard could
// not be changed (another program holds it, or there is none).
bool Clipboard_Clear();
bool Clipboard_SetText(const std::string& text);
std::string Clipboard_GetText();

// Screen size in twips (15 twips a pixel).
int Screen_Width();
int Screen_Height();

// Shows the hourglass pointer while it lives; restores the pointer on every path.
class Hourglass {
public:
    Hourglass();
    ~Hourglass();
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
};

// Flags of the common file dialog.
enum : int {
    cdlOFNHideReadOnly = 4,
    cdlOFNNoChangeDir = 8,
    cdlOFNPathMustExist = 2048,
    cdlOFNFileMustExist = 4096,
    cdlOFNNoReadOnlyReturn = 32768,
};

struct FileDialogRequest {
    bool save = false;     // Save dialog, else Open
    std::string filter;    // "Text (*.txt)|*.txt|All (*.*)|*.*"
    int filter_index = 1;  // 1-based
    std::string initial_folder;
    std::string initial_file;
    std::string title;
    int flags = 0;
};

struct FileDialogResult {
    bool cancelled = true;
    std::string file_name;  // full path of the chosen file
};

FileDialogResult ShowFileDialog(const FileDialogRequest& request);

// Thrown to abandon the command that is running after its error has been
// shown (a strict-mode scanner error, say). The event dispatch catches it, so
// the program and the user's inputs survive; it never leaves a handler.
class CommandAbandoned : public std::exception {
public:
    explicit CommandAbandoned(std::string why) : why_(std::move(why)) {}
    const char* what() const noexcept override { return why_.c_str(); }

private:
    std::string why_;
};

// Runs a command handler: a CommandAbandoned (or any other exception) ends the
// command, not the program. Returns false when the command was abandoned.
template <class F>
bool RunCommand(F&& handler) noexcept;

}  // namespace ui

#include "ui_run_command.inl"
