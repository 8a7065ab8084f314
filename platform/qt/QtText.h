// Text between the forms (bytes: UTF-8, or Windows-1252 from older files)
// and Qt.
#pragma once

#include <QRect>
#include <QString>
#include <string>

namespace tw_qt {

// UTF-8 when the bytes are valid UTF-8, else each byte as one Latin-1 letter.
QString FromBytes(const std::string& bytes);
std::string ToBytes(const QString& text);

// A caption as a label shows it: "&&" is one "&", a single "&" marks the
// access key and is not shown.
QString WithoutAccessKeys(const QString& caption);

// Where a push button draws a caption too long for one line: wrapped at word
// breaks and centred, inside the bevel of a button whose whole rectangle is
// `button`.
QRect WrappedCaptionRect(const QRect& button);

}  // namespace tw_qt
