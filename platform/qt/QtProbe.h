// Looks at and works the widgets the Qt backend built, as a user would, for
// tests outside this folder that must not see Qt's own types.
#pragma once

#include <string>
#include <vector>

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

// A caption that its widget cuts: the control, the text and the widths (or,
// for a word-wrapped label, the heights) in pixels it needs and has.
struct CutCaption {
    std::string control;
    std::string text;
    std::string font;  // family and pixel size
    int needed = 0, available = 0;
    bool height = false;  // wrapped lines (of a label or push button) too many for its height
};
// Every button, label, check box and option button of a shown form whose text
// does not fit its widget in the widget's own font.
std::vector<CutCaption> CutCaptions(const ui::Form& form);
// The family and pixel size of the font a control's widget draws with.
std::string FontOf(const ui::Control& control);

}  // namespace tw_qt::probe
