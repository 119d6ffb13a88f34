// Small conversions shared by the control binders.
#pragma once

#include <QColor>
#include <QString>

#include <string>

class QWidget;

namespace vexa {

// The colour of an entry typed but not yet confirmed with Enter.
inline QColor UnconfirmedTextColor() {
    return QColor(0, 0, 255);
}

// Sets the text colour of an edit (or any widget that draws text) while it
// is enabled; disabled, it shows the style's greyed text.
void SetTextColor(QWidget *widget, const QColor &color);

// The system's window-text colour, for a confirmed entry.
QColor WindowTextColor();

inline QString ToQString(const std::string &text) {
    return QString::fromStdString(text);
}

inline std::string ToStdString(const QString &text) {
    return text.toStdString();
}

} // namespace vexa
