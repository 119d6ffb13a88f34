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

    // True while the text is blue: an entry not confirmed yet, or one that
    // could not be read.
    bool Unconfirmed() const { return FUnconfirmed; }

signals:
    // A key was released (auto-repeat excluded). The keypad's Enter is
    // reported as Qt::Key_Return. For the voltage and time edits the entry
    // has already been read when Enter is reported.
    void KeyUp(int key);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    // Reacts to a released key before KeyUp fires; nothing by default.
    virtual void KeyReleased(int key);
    // Text colour: blue for an unconfirmed entry, else the window-text colour.
    void SetUnconfirmed(bool unconfirmed);

private:
    QString FExtraCharacters;
    bool FUnconfirmed = false;
};

} // namespace vexa
