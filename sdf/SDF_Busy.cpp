#include "sdf/SDF_Busy.h"

#include "platform/ui/forms.h"

namespace sdf {

OtherCommandsRefused::OtherCommandsRefused(const std::string& except) {
    for (ui::Form* f : ui::LoadedForms())
        for (const auto& c : f->Controls()) {
            auto* b = dynamic_cast<ui::CommandButton*>(c.get());
            if (!b || (!except.empty() && b->Name() == except) || !b->Enabled()) continue;
            b->SetEnabled(false);
            disabled_.push_back(b);
        }
}

OtherCommandsRefused::~OtherCommandsRefused() {
    for (ui::CommandButton* b : disabled_) b->SetEnabled(true);
}

}  // namespace sdf
