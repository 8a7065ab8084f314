// The Qt 6 backend of platform/ui: real widgets for the forms, Qt's message,
// input and file dialogs, the event loop.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/ui/forms.h"
#include "platform/ui/ui.h"

class QWidget;

namespace tw_qt {

// Creates the QApplication, installs the Qt backend, loads and shows the
// main form and runs the event loop until the main form is unloaded (or the
// last window closes). Returns the event loop's exit code.
int RunApplication(int argc, char** argv, const std::function<ui::Form&()>& create_main_form);

// Creates a QApplication (kept for the rest of the process) unless one
// exists; for test programs, which run on the "offscreen" platform unless
// QT_QPA_PLATFORM says otherwise.
void EnsureApplication();

// Installs the Qt backend into platform/ui; a QApplication must exist.
// RunApplication does this itself; tests that make their own application
// call it.
void InstallBackend();

// The top-level widget of a shown form, null before it was first shown and
// after it was unloaded.
QWidget* WindowOf(const ui::Form& form);
// The widget built for a control, null when its form has no window.
QWidget* WidgetOf(const ui::Control& control);
// The same by name (any case) and array index.
QWidget* FindWidget(const ui::Form& form, const std::string& name, int index = -1);

// Answers message boxes without showing them (tests, unattended runs):
// when the hook returns a result the box is not shown.
using MessageBoxHook =
    std::function<std::optional<ui::MsgBoxResult>(const std::string& prompt, int buttons, const std::string& title)>;
void SetMessageBoxHook(MessageBoxHook hook);

// The same for input boxes; the hook's text is the answer ("" = cancel).
using InputBoxHook = std::function<std::optional<std::string>(const std::string& prompt, const std::string& title,
                                                              const std::string& default_text)>;
void SetInputBoxHook(InputBoxHook hook);

// The same for file dialogs.
using FileDialogHook = std::function<std::optional<ui::FileDialogResult>(const ui::FileDialogRequest& request)>;
void SetFileDialogHook(FileDialogHook hook);

// Qt's filter text for a common-dialog filter ("CSV files|*.csv|All|*.*"):
// "CSV files (*.csv *.CSV);;All (*)".
std::string QtFilter(const std::string& filter);

}  // namespace tw_qt
