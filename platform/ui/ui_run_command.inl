#pragma once
#include <exception>

namespace ui {
void ReportUnexpectedError(const char* what) noexcept;

template <class F>
bool RunCommand(F&& handler) noexcept {
    try {
        handler();
        return true;
    } catch (const CommandAbandoned&) {
        return false;
    } catch (const std::exception& e) {
        ReportUnexpectedError(e.what());
        return false;
    } catch (...) {
        ReportUnexpectedError("unknown error");
        return false;
    }
}
}  // namespace ui
