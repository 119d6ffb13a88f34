// The operator's message boxes, shown with QMessageBox.
#pragma once

#include "model/ScopeInterfacesVexaRM.h"

#include <QString>

class QWidget;
class QMessageBox;

namespace vexa {

// Modal message boxes for the core. Main thread only. The owner is the
// window the boxes are centred on (may be null before the main window
// exists).
class TOperatorDialogsVexaRM : public IOperatorDialogs {
public:
    explicit TOperatorDialogsVexaRM(QWidget *owner = nullptr);

    int Ask(DialogStyle style, const std::string &text, int buttons) override;
    int AskQuestion(const TDialogQuestion &question) override;

    QWidget *Owner() const { return FOwner; }
    void SetOwner(QWidget *owner) { FOwner = owner; }
    // The caption of a box of this style: "Error", "Warning",
    // "Information" or "Confirm".
    static QString Caption(DialogStyle style);

    // The answer given when a box is closed without a choice: Cancel when
    // offered, else No, else Ok.
    static int DefaultAnswer(int buttons);
    // Builds the box without showing it (the owner shows or deletes it).
    // The detail text goes below the message; Enter presses the question's
    // default button (the first offered when it names none of them).
    static QMessageBox *Build(QWidget *owner, const TDialogQuestion &question);
    // Maps the button the operator pressed back to a DialogButton.
    static int Answer(QMessageBox *box, int buttons);

private:
    QWidget *FOwner;
};

} // namespace vexa
