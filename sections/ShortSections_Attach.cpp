// The SDF tab's short-sections button: made here, or, when the SDF tab
// already holds one, given its handler.
#include "app/MainForm.h"
#include "sections/ShortSections_Attach.h"
#include "sections/frmShortSections.h"

void ShortSections_Attach(MainForm& form) {
    auto show = [] { TheShortSectionsForm().Show(ui::vbModeless); };
    if (ui::CommandButton* b = form.Find<ui::CommandButton>("cmdShortSections")) {
        b->OnClick = show;
        return;
    }
    form.AddTabCommand(MainForm::kTabSDF, "cmdShortSections", "Short Sections...", show)
        .SetToolTipText("Generate SDF of short sections by class, LMtype etc.");
}
