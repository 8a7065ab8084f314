// Looks at and works the widgets the Qt backend built, as a user would, for
// tests outside this folder that must not see Qt's own types.
#pragma once

#include <string>

#include "platform/ui/forms.h"

namespace tw_qt::probe {

// True when the form has a window (it was shown and not unloaded).
bool HasWindow(const ui::Form& form);
// Pages of a tab strip's widget; -1 when the control has no tab widget.
int TabCount(const ui::Control& control);
std::string TabText(const ui::Control& control, int index);
// Picks a page as the user would; false when the control has no tab widget.
bool UserSelectTab(const ui::Control& control, int index);
// The text a text box, label or button shows.
std::string WidgetText(const ui::Control& control);
// Clicks a button, check box or option as the user would; false when the
// control has no such widget.
bool UserClick(const ui::Control& control);
// Runs pending events.
void ProcessEvents();

}  // namespace tw_qt::probe
