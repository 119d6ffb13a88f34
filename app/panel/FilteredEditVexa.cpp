#include "FilteredEditVexa.h"

#include "BinderSupportVexaRM.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>

namespace vexa {

TFilteredEditVexa::TFilteredEditVexa(const QString &extraCharacters, QWidget *parent)
    : QLineEdit(parent), FExtraCharacters(extraCharacters) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

bool TFilteredEditVexa::AcceptsCharacter(QChar c) const {
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('-') ||
           c == QLatin1Char('.') || c == QLatin1Char('\b') || FExtraCharacters.contains(c);
}

void TFilteredEditVexa::keyPressEvent(QKeyEvent *event) {
    if (IsEnterKey(event->key())) {
        // Enter's character never reaches the text; the key itself is seen
        // on release. A dialog around the edit still gets it.
        event->ignore();
        return;
    }
    const QString typed = event->text();
    const bool shortcut =
        event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if (!shortcut && !typed.isEmpty() && typed.at(0).isPrint()) {
        for (QChar c : typed) {
            if (!AcceptsCharacter(c)) {
                event->accept();
                return;
            }
        }
    }
    QLineEdit::keyPressEvent(event);
}

void TFilteredEditVexa::keyReleaseEvent(QKeyEvent *event) {
    QLineEdit::keyReleaseEvent(event);
    if (event->isAutoRepeat()) return;
    const int key = event->key() == Qt::Key_Enter ? int(Qt::Key_Return) : event->key();
    KeyReleased(key);
    emit KeyUp(key);
}

void TFilteredEditVexa::focusOutEvent(QFocusEvent *event) {
    QLineEdit::focusOutEvent(event);
    if (FUnconfirmed && event->reason() != Qt::PopupFocusReason) ShowValueInForce(FValueText);
}

void TFilteredEditVexa::KeyReleased(int) {}

void TFilteredEditVexa::ShowValueInForce(const QString &text) {
    FValueText = text;
    setText(text);
    SetUnconfirmed(false);
}

void TFilteredEditVexa::MarkEdited() {
    SetUnconfirmed(text() != FValueText);
}

void TFilteredEditVexa::Confirm() {
    FValueText = text();
    SetUnconfirmed(false);
}

void TFilteredEditVexa::SetUnconfirmed(bool unconfirmed) {
    FUnconfirmed = unconfirmed;
    SetTextColor(this, unconfirmed ? UnconfirmedTextColor() : WindowTextColor());
}

} // namespace vexa
