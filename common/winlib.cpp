#include "common/winlib.h"

#include <system_error>

#include "common/Brellinlib.h"
#include "common/TessawinMod.h"
#include "platform/shell/shell.h"
#include "platform/ui/ui.h"

namespace tessawin {

std::vector<std::string> SplitCommandLine(const std::string& command) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false;
    bool quoted = false;
    for (size_t i = 0; i < command.size(); ++i) {
        const char c = command[i];
        if (c == '"') {
            if (quoted && i + 1 < command.size() && command[i + 1] == '"') {
                word += '"';
                ++i;
            } else {
                quoted = !quoted;
            }
            in_word = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

}  // namespace tessawin

void win_Openfile(const std::string& File) {
    if (!FileExists(File)) {
        ui::MsgBox("File: " + File + " not found.", ui::vbExclamation, "win_Openfile");
        return;
    }
    shell::OpenDocument(File);
}

std::string App_ExeFullName() {
    return shell::ExecutablePath();
}

void Shell_And_Wait(const std::string& Command, int16_t WindowStyle) {
    (void)WindowStyle;
    const std::vector<std::string> argv = tessawin::SplitCommandLine(Command);
    if (argv.empty()) {
        throw std::system_error(std::make_error_code(std::errc::invalid_argument), "Shell_And_Wait: empty command");
    }
    const shell::LaunchResult r = shell::RunAndWait(argv);
    if (!r.started) {
        throw std::system_error(r.error, std::generic_category(), "Shell_And_Wait: " + Command);
    }
}

void Word_OpenDocument(const std::string& File) {
    if (!FileExists(File)) {
        ui::Beep();
        ui::MsgBox("File not found:\r\n\r\n" + File, ui::vbExclamation);
        return;
    }
    const shell::LaunchResult r = shell::OpenDocument(File);
    if (!r.started) {
        const tessawin::ErrorInfo err = tessawin::ErrorFromErrno(r.error);
        ui::MsgBox("Error " + std::to_string(err.number) + " trying to open MS-Word\r\n\r\n" + err.description,
                   ui::vbExclamation);
    }
}
