// The faces the forms are drawn in, and fitting captions into their widgets.
#pragma once

#include <QFont>
#include <QPushButton>
#include <string>

class QWidget;

namespace tw_qt {

// The forms' twip layouts were drawn for a small 8-point sans face at 96
// pixels an inch. Liberation Sans (fonts-liberation2, with Arial's widths) at
// 11 pixels fills them alike; sized in pixels, it keeps to the layout at any
// desktop font setting.
constexpr int kFormFontPixels = 11;
QFont form_font();

// The least width at which a control's caption shows whole in its widget, at
// most `limit` (the widget's own width when it fits already).
int caption_width(QWidget* w, int limit);

// A push button whose caption wraps onto more lines where one line is too
// narrow, as the command buttons the forms were drawn for do.
class WrappingButton : public QPushButton {
public:
    using QPushButton::QPushButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A face whose columns line up, the named one where it does.
QFont fixed_pitch_font(const std::string& name);

}  // namespace tw_qt
