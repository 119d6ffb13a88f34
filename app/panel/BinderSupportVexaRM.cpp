#include "BinderSupportVexaRM.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace vexa {

void SetTextColor(QWidget *widget, const QColor &color) {
    if (!widget) return;
    // A disabled widget keeps the style's greyed text.
    QPalette p = widget->palette();
    p.setColor(QPalette::Active, QPalette::Text, color);
    p.setColor(QPalette::Inactive, QPalette::Text, color);
    widget->setPalette(p);
}

QColor WindowTextColor() {
    return QApplication::palette().color(QPalette::Text);
}

} // namespace vexa
