// While a long SDF run lets the window's events in, the other commands are
// refused: they share the process-wide state the run works on.
#pragma once

#include <string>
#include <vector>

namespace ui {
class CommandButton;
}

namespace sdf {

// Disables every enabled command button of the loaded windows but the one
// named (none when empty) while it lives, and enables them again after.
class OtherCommandsRefused {
public:
    explicit OtherCommandsRefused(const std::string& except = "");
    ~OtherCommandsRefused();
    OtherCommandsRefused(const OtherCommandsRefused&) = delete;
    OtherCommandsRefused& operator=(const OtherCommandsRefused&) = delete;

private:
    std::vector<ui::CommandButton*> disabled_;
};

}  // namespace sdf
