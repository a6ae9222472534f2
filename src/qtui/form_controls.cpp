#include "qtui/form_controls.h"

#include <QApplication>
#include <QPushButton>

namespace vantorel::qtui {

QString Hint(const char* text) {
  return QString::fromLatin1(text).replace(QLatin1String("\r\n"), QLatin1String("\n"));
}

QPushButton* Button(const char* caption) {
  auto* button = new QPushButton(QString::fromLatin1(caption));
  button->setAutoDefault(false);
  return button;
}

QPushButton* GlyphButton(QStyle::StandardPixmap glyph, const char* caption, const char* hint) {
  QPushButton* button = Button(caption);
  button->setIcon(QApplication::style()->standardIcon(glyph));
  if (hint != nullptr) button->setToolTip(QString::fromLatin1(hint));
  return button;
}

}  // namespace vantorel::qtui
