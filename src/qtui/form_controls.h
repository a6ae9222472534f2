// Small builders the dialogs share for their controls.
#pragma once

#include <QString>
#include <QStyle>

class QPushButton;

namespace vantorel::qtui {

// A hint as Qt shows it: "\r\n" breaks the line.
QString Hint(const char* text);

// A push button that Return in an edit box does not press (not auto-default).
QPushButton* Button(const char* caption);

// As Button, with the style's standard picture and the hint as its tooltip (none when null).
QPushButton* GlyphButton(QStyle::StandardPixmap glyph, const char* caption, const char* hint);

}  // namespace vantorel::qtui
