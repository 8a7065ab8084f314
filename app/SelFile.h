// The file-choosing dialog host behind every Browse button: builds the title
// from a short noun, picks the initial folder and file, sets the dialog flags
// from a mode word ("READ", "WRITE" or anything else), treats a cancel as
// nothing chosen and fills the caller's text boxes.
#pragma once

#include <cstdint>
#include <string>

#include "platform/ui/forms.h"

// Filter of the next dialog only ("CSV files|*.csv"); "" shows all files.
extern std::string SelFileFilter;
// Flags added to the next dialog's own; back to 0 after it.
extern int32_t SelFileExtraFlags;

// One file choice: True with the full path in outfn, False when cancelled
// (outfn unchanged). Mode "READ" (any case) runs the Open dialog for an
// existing file, anything else the Save dialog.
bool GetFileFn(const std::string& deffn, const std::string& TITLE, const std::string& initdir, const std::string& mode,
               std::string& outfn);

// GetFileFn from the box's text; the choice goes into the box, which gets the
// focus.
bool SelectFileFn(ui::TextBox& Ctl, const std::string& TITLE, const std::string& initdir, const std::string& mode);
void SelectFile(ui::TextBox& Ctl, const std::string& TITLE, const std::string& initdir, const std::string& mode);

// One folder choice, made by picking any file in it: True with the folder
// (ending in a separator) in OUTPATH; False with OUTPATH empty when cancelled.
// A folder that does not exist, or that cannot be written in mode "WRITE",
// is refused and the dialog comes back.
bool GetPathFn(const std::string& TITLE, const std::string& initdir, const std::string& mode, std::string& OUTPATH);
void SelectPath(ui::TextBox& Ctl, const std::string& TITLE, const std::string& mode);

// One file choice into a folder box and a file-name box (both unchanged when
// cancelled); the file-name box gets the focus.
bool SelectPathFileFn(ui::TextBox& PathCtl, ui::TextBox& FileCtl, const std::string& TITLE, const std::string& mode);
void SelectPathFile(ui::TextBox& PathCtl, ui::TextBox& FileCtl, const std::string& TITLE, const std::string& mode);
