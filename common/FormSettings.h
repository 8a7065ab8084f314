// Window helpers that go with the remembered settings: save and restore a
// window's txt/chk/opt controls, find a loaded window by name, move a window
// back onto the screen, and tell a control-array element.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "platform/ui/forms.h"

// The application name every setting of the program is stored under.
inline constexpr const char* kSettingsApp = "Tessawin";

// Writes every control whose name begins with "txt", "chk" or "opt" under its
// own name in Section ("" = the window's name): texts unchanged, check values
// "0"/"1"/"2", options "True"/"False".
void Form_Save_Settings(ui::Form& Form, const std::string& Section);
// The counterpart: a missing key gives "", 0 or False. A stored value that the
// control cannot take (a check value that is not 0, 1 or 2) gives the default.
void Form_Restore_Settings(ui::Form& Form, const std::string& Section);
// The same, a key not stored yet taking its value from `defaults` (by control
// name, as it would be stored) before the built-in "", 0 or False.
void Form_Restore_Settings(ui::Form& Form, const std::string& Section,
                           const std::map<std::string, std::string>& defaults);

// Position (from 0, in loading order) of the loaded window of that name, any
// case; -99 when none.
int16_t Form_Index(const std::string& Name);

// Moves a window lying off the primary screen back: a top below 0 or beyond
// screen height - 600 becomes Top (-1: centred); a left below 0 or beyond
// screen width - 300 becomes Left (-1: centred).
void Form_KeepOnScreen(ui::Form& Form, int16_t Top, int16_t Left);

// True when the control is an element of a control array.
bool Is_Control_Array(const ui::Control& Control);
