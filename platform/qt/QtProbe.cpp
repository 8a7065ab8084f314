#include "platform/qt/QtProbe.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTabWidget>

#include "platform/qt/QtApp.h"
#include "platform/qt/QtText.h"

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

namespace {

std::string ControlName(const ui::Control& c) {
    return c.IsArrayElement() ? c.Name() + "(" + std::to_string(c.Index()) + ")" : c.Name();
}

// The part of a button that its style draws the caption in.
QRect ButtonTextRect(QAbstractButton* button, QStyle::SubElement element) {
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = button->text();
    opt.icon = button->icon();
    opt.iconSize = button->iconSize();
    return button->style()->subElementRect(element, &opt, button);
}

}  // namespace

std::vector<CutCaption> CutCaptions(const ui::Form& form) {
    std::vector<CutCaption> cut;
    for (const auto& c : form.Controls()) {
        QWidget* w = WidgetOf(*c);
        if (!w) continue;
        const QFontMetrics fm(w->font());
        CutCaption found;
        found.control = ControlName(*c);
        found.font = FontOf(*c);
        if (auto* label = qobject_cast<QLabel*>(w)) {
            const QString text = label->text();
            if (text.isEmpty()) continue;
            const QRect room = label->contentsRect();
            const QRect lines = fm.boundingRect(QRect(0, 0, room.width(), 1 << 20),
                                                Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
            found.text = text.toStdString();
            if (lines.width() > room.width()) {
                found.needed = lines.width();
                found.available = room.width();
            } else if (lines.height() > room.height()) {
                found.height = true;
                found.needed = lines.height();
                found.available = room.height();
            } else {
                continue;
            }
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            const QString text = WithoutAccessKeys(button->text());
            if (text.isEmpty()) continue;
            const QStyle::SubElement element = qobject_cast<QPushButton*>(w) ? QStyle::SE_PushButtonContents
                                               : qobject_cast<QCheckBox*>(w) ? QStyle::SE_CheckBoxContents
                                                                             : QStyle::SE_RadioButtonContents;
            const QRect room = ButtonTextRect(button, element);
            const int need = fm.horizontalAdvance(text);
            if (need <= room.width()) continue;
            found.text = text.toStdString();
            found.needed = need;
            found.available = room.width();
            if (qobject_cast<QPushButton*>(w)) {
                // a push button wraps a caption that one line cannot hold
                const QRect wrap_room = WrappedCaptionRect(button->rect());
                const QRect lines = fm.boundingRect(QRect(0, 0, wrap_room.width(), 1 << 20),
                                                    Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
                if (lines.width() <= wrap_room.width() && lines.height() <= wrap_room.height()) continue;
                found.height = lines.width() <= wrap_room.width();
                found.needed = found.height ? lines.height() : lines.width();
                found.available = found.height ? wrap_room.height() : wrap_room.width();
            }
        } else {
            continue;
        }
        cut.push_back(found);
    }
    return cut;
}

std::string FontOf(const ui::Control& control) {
    QWidget* w = WidgetOf(control);
    if (!w) return {};
    const QFontInfo info(w->font());
    return info.family().toStdString() + " " + std::to_string(info.pixelSize()) + "px";
}

}  // namespace tw_qt::probe
