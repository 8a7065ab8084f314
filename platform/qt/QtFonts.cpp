#include "QtFonts.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

#include "QtText.h"

namespace tw_qt {

namespace {

// The width of the part of a button its style draws a one-line caption in.
int one_line_room(QAbstractButton* button) {
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = button->text();
    opt.icon = button->icon();
    opt.iconSize = button->iconSize();
    const QStyle::SubElement element = qobject_cast<QPushButton*>(button) ? QStyle::SE_PushButtonContents
                                       : qobject_cast<QCheckBox*>(button) ? QStyle::SE_CheckBoxContents
                                                                          : QStyle::SE_RadioButtonContents;
    return button->style()->subElementRect(element, &opt, button).width();
}

// Whether text wrapped at word breaks fits in a box of that size.
bool wraps_into(const QFontMetrics& fm, const QString& text, const QSize& box) {
    const QRect r =
        fm.boundingRect(QRect(0, 0, box.width(), 1 << 20), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
    return r.width() <= box.width() && r.height() <= box.height();
}

// The least width between `have` and `limit` at which fits(width) holds,
// `limit` when none does; fits grows true with the width.
template <class Fits>
int least_width(int have, int limit, Fits fits) {
    if (fits(have)) return have;
    if (limit <= have || !fits(limit)) return std::max(limit, have);
    int lo = have, hi = limit;  // lo does not fit, hi does
    while (hi - lo > 1) {
        const int mid = (lo + hi) / 2;
        (fits(mid) ? hi : lo) = mid;
    }
    return hi;
}

}  // namespace

QFont form_font() {
    QFont f(QStringLiteral("Liberation Sans"));
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(kFormFontPixels);
    return f;
}

// The least width at which a control's caption shows whole in its widget, at
// most `limit` (the widget's own width when it fits already).
int caption_width(QWidget* w, int limit) {
    const int have = w->width();
    const QFontMetrics fm(w->font());
    if (auto* label = qobject_cast<QLabel*>(w)) {
        const QString text = label->text();
        if (text.isEmpty()) return have;
        const QSize frame = label->size() - label->contentsRect().size();
        return least_width(have, limit, [&](int width) {
            return wraps_into(fm, text, QSize(width - frame.width(), label->height() - frame.height()));
        });
    }
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!button) return have;
    const QString text = WithoutAccessKeys(button->text());
    if (text.isEmpty()) return have;
    const int one_line = have - one_line_room(button) + fm.horizontalAdvance(text);
    if (one_line <= have) return have;
    auto wraps_at = [&](int width) {
        return wraps_into(fm, text, WrappedCaptionRect(QRect(0, 0, width, button->height())).size());
    };
    // A push button wraps a long caption where its height allows, so a
    // column of buttons keeps one width; otherwise the control widens.
    if (!qobject_cast<QPushButton*>(w) || (!wraps_at(have) && one_line <= limit))
        return std::clamp(one_line, have, std::max(limit, have));
    return least_width(have, limit, wraps_at);
}

void WrappingButton::paintEvent(QPaintEvent* event) {
    const QString caption = WithoutAccessKeys(text());
    if (fontMetrics().horizontalAdvance(caption) <= one_line_room(this)) {
        QPushButton::paintEvent(event);
        return;
    }
    QStylePainter painter(this);
    QStyleOptionButton opt;
    initStyleOption(&opt);
    opt.text.clear();
    painter.drawControl(QStyle::CE_PushButton, opt);
    painter.drawItemText(WrappedCaptionRect(rect()), Qt::AlignCenter | Qt::TextWordWrap | Qt::TextShowMnemonic,
                         palette(), isEnabled(), text(), QPalette::ButtonText);
}

// A face whose columns line up: the named face (or the desktop's stand-in for
// it), else the desktop's fixed font, else the first installed family with
// Latin letters that Qt reports fixed-pitch. A desktop's "monospace" can
// resolve to a proportional face, for instance once a font package without a
// monospace face is installed.
QFont fixed_pitch_font(const std::string& name) {
    auto fixed = [](const QFont& f) { return QFontInfo(f).fixedPitch(); };
    if (!name.empty()) {
        QFont named(FromBytes(name));
        named.setStyleHint(QFont::TypeWriter);
        if (fixed(named)) return named;
    }
    const QFont desktop = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (fixed(desktop)) return desktop;
    for (const QString& family : QFontDatabase::families(QFontDatabase::Latin)) {
        if (!QFontDatabase::isFixedPitch(family)) continue;
        QFont f(family);
        if (desktop.pointSizeF() > 0) f.setPointSizeF(desktop.pointSizeF());
        if (fixed(f)) return f;
    }
    return desktop;
}

}  // namespace tw_qt
