#include "BinderSupportVexaRM.h"

#include <QApplication>
#include <QPalette>
#include <QWidget>

namespace vexa {

void SetTextColor(QWidget *widget, const QColor &color) {
    if (!widget) return;
    QPalette p = widget->palette();
    p.setColor(QPalette::Text, color);
    widget->setPalette(p);
}

QColor WindowTextColor() {
    return QApplication::palette().color(QPalette::Text);
}

} // namespace vexa
