#include "common/FormSettings.h"

#include <cstdlib>

#include "platform/settings/settings.h"
#include "platform/ui/ui.h"

namespace {

bool StartsWith(const std::string& s, const char* prefix) {
    return s.rfind(prefix, 0) == 0;
}

// ASCII upper case.
std::string Upper(const std::string& s) {
    std::string u;
    for (char c : s) u += static_cast<char>(c >= 'a' && c <= 'z' ? c - 32 : c);
    return u;
}

// A check value as stored: 0, 1 or 2; anything else is the default.
int CheckValueOf(const std::string& text) {
    if (text == "0" || text == "1" || text == "2") return text[0] - '0';
    return ui::vbUnchecked;
}

// An option value as stored: "True" (any case) or a non-zero number is on.
bool OptionValueOf(const std::string& text) {
    const std::string t = Upper(text);
    if (t == "TRUE") return true;
    if (t.empty()) return false;
    char* end = nullptr;
    const double v = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && v != 0.0;
}

// Calls the handler of each control whose value is kept in the settings: a
// text box named txt..., a check box named chk..., an option button named opt....
template <class OnText, class OnCheck, class OnOption>
void ForEachKeptControl(ui::Form& form, OnText on_text, OnCheck on_check, OnOption on_option) {
    for (const auto& owned : form.Controls()) {
        ui::Control& c = *owned;
        const std::string& name = c.Name();
        if (StartsWith(name, "txt")) {
            if (auto* t = dynamic_cast<ui::TextBox*>(&c)) on_text(*t, name);
        } else if (StartsWith(name, "chk")) {
            if (auto* k = dynamic_cast<ui::CheckBox*>(&c)) on_check(*k, name);
        } else if (StartsWith(name, "opt")) {
            if (auto* o = dynamic_cast<ui::OptionButton*>(&c)) on_option(*o, name);
        }
    }
}

}  // namespace

void Form_Save_Settings(ui::Form& Form, const std::string& Section) {
    const std::string section = Section.empty() ? Form.Name() : Section;
    ForEachKeptControl(
        Form,
        [&](ui::TextBox& t, const std::string& name) { settings::SaveSetting(kSettingsApp, section, name, t.Text()); },
        [&](ui::CheckBox& k, const std::string& name) {
            settings::SaveSetting(kSettingsApp, section, name, std::to_string(k.Value()));
        },
        [&](ui::OptionButton& o, const std::string& name) {
            settings::SaveSetting(kSettingsApp, section, name, o.Value() ? "True" : "False");
        });
}

void Form_Restore_Settings(ui::Form& Form, const std::string& Section) {
    Form_Restore_Settings(Form, Section, {});
}

void Form_Restore_Settings(ui::Form& Form, const std::string& Section,
                           const std::map<std::string, std::string>& defaults) {
    const std::string section = Section.empty() ? Form.Name() : Section;
    auto get = [&](const std::string& name, const char* builtin) {
        const auto d = defaults.find(name);
        return settings::GetSetting(kSettingsApp, section, name, d == defaults.end() ? builtin : d->second);
    };
    ForEachKeptControl(
        Form, [&](ui::TextBox& t, const std::string& name) { t.SetText(get(name, "")); },
        [&](ui::CheckBox& k, const std::string& name) { k.SetValue(CheckValueOf(get(name, "0"))); },
        [&](ui::OptionButton& o, const std::string& name) { o.SetValue(OptionValueOf(get(name, "False"))); });
}

int16_t Form_Index(const std::string& Name) {
    const auto& forms = ui::LoadedForms();
    const std::string wanted = Upper(Name);
    for (size_t i = 0; i < forms.size(); ++i) {
        if (Upper(forms[i]->Name()) == wanted) return static_cast<int16_t>(i);
    }
    return -99;
}

void Form_KeepOnScreen(ui::Form& Form, int16_t Top, int16_t Left) {
    const int screen_h = ui::Screen_Height();
    const int screen_w = ui::Screen_Width();
    if (Form.Top() < 0 || Form.Top() > screen_h - 600) {
        Form.SetTop(Top == -1 ? (screen_h - Form.Height()) / 2 : Top);
    }
    if (Form.Left() < 0 || Form.Left() > screen_w - 300) {
        Form.SetLeft(Left == -1 ? (screen_w - Form.Width()) / 2 : Left);
    }
}

bool Is_Control_Array(const ui::Control& Control) {
    return Control.IsArrayElement();
}
