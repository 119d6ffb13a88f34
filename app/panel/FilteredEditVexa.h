// The common ground of the panel's number edits: right-aligned text, typed
// characters outside the accepted set discarded before they reach the edit
// (Backspace, "-", the digits and "." always, plus the letters a subclass
// names), Enter's character discarded, and KeyUp fired on every key release.
#pragma once

#include <QLineEdit>

namespace vexa {

class TFilteredEditVexa : public QLineEdit {
    Q_OBJECT
public:
    // extraCharacters: the letters accepted besides digits, "-" and ".".
    explicit TFilteredEditVexa(const QString &extraCharacters, QWidget *parent = nullptr);

    // Whether a typed character gets into the text.
    bool AcceptsCharacter(QChar c) const;
    // True for the keys that confirm an entry (Return and the keypad's Enter).
    static bool IsEnterKey(int key) { return key == Qt::Key_Return || key == Qt::Key_Enter; }

    // True while the text is blue: a changed entry not confirmed yet, or one
    // that could not be read. A key that leaves the text as it is (Tab,
    // Escape, Alt, an arrow) marks nothing.
    bool Unconfirmed() const { return FUnconfirmed; }
    // The text of the value in force: what the edit shows when it is not
    // being edited, and what leaving an unconfirmed entry brings back.
    QString ValueText() const { return FValueText; }

signals:
    // A key was released (auto-repeat excluded). The keypad's Enter is
    // reported as Qt::Key_Return. For the voltage and time edits the entry
    // has already been read when Enter is reported.
    void KeyUp(int key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    // Leaving an unconfirmed entry (Tab, a click elsewhere, another window)
    // restores the value in force, so the edit never shows a value that is
    // not in effect. A context menu of the edit itself keeps the entry.
    void focusOutEvent(QFocusEvent *event) override;
    // Reacts to a released key before KeyUp fires; nothing by default.
    virtual void KeyReleased(int key);
    // Shows text as the value in force, in the window-text colour.
    void ShowValueInForce(const QString &text);
    // After a key other than Enter: blue exactly when the text differs from
    // the value in force.
    void MarkEdited();
    // Enter read the text: it is the value in force now.
    void Confirm();
    // Text colour: blue for an unconfirmed entry, else the window-text colour.
    void SetUnconfirmed(bool unconfirmed);

private:
    QString FExtraCharacters;
    QString FValueText;
    bool FUnconfirmed = false;
};

} // namespace vexa
