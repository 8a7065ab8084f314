#include "platform/qt/QtProbe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTabWidget>

#include "platform/qt/QtApp.h"

namespace tw_qt::probe {

bool HasWindow(const ui::Form& form) {
    return WindowOf(form) != nullptr;
}

int TabCount(const ui::Control& control) {
    auto* tabs = qobject_cast<QTabWidget*>(WidgetOf(control));
    return tabs ? tabs->count() : -1;
}

std::string TabText(const ui::Control& control, int index) {
    auto* tabs = qobject_cast<QTabWidget*>(WidgetOf(control));
    return tabs ? tabs->tabText(index).toStdString() : std::string();
}

bool UserSelectTab(const ui::Control& control, int index) {
    auto* tabs = qobject_cast<QTabWidget*>(WidgetOf(control));
    if (!tabs) return false;
    tabs->setCurrentIndex(index);
    return true;
}

std::string WidgetText(const ui::Control& control) {
    QWidget* w = WidgetOf(control);
    if (auto* edit = qobject_cast<QPlainTextEdit*>(w)) return edit->toPlainText().toStdString();
    if (auto* line = qobject_cast<QLineEdit*>(w)) return line->text().toStdString();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text().toStdString();
    return {};
}

bool UserClick(const ui::Control& control) {
    auto* button = qobject_cast<QAbstractButton*>(WidgetOf(control));
    if (!button) return false;
    button->click();
    return true;
}

void ProcessEvents() {
    QApplication::processEvents();
}

}  // namespace tw_qt::probe
