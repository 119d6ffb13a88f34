#include "OperatorDialogsVexaRM.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>

namespace vexa {

namespace {

struct ButtonPair {
    int mine;
    QMessageBox::StandardButton theirs;
};

// The order in which the buttons appear when several are offered.
const ButtonPair kButtons[] = {
    {kButtonYes, QMessageBox::Yes},       {kButtonNo, QMessageBox::No},
    {kButtonOk, QMessageBox::Ok},         {kButtonRetry, QMessageBox::Retry},
    {kButtonAbort, QMessageBox::Abort},   {kButtonIgnore, QMessageBox::Ignore},
    {kButtonCancel, QMessageBox::Cancel},
};

QMessageBox::Icon IconOf(DialogStyle style) {
    switch (style) {
    case DialogStyle::Error:
        return QMessageBox::Critical;
    case DialogStyle::Warning:
        return QMessageBox::Warning;
    case DialogStyle::Information:
        return QMessageBox::Information;
    case DialogStyle::Confirmation:
        return QMessageBox::Question;
    }
    return QMessageBox::NoIcon;
}

} // namespace

TOperatorDialogsVexaRM::TOperatorDialogsVexaRM(QWidget *owner) : FOwner(owner) {}

QString TOperatorDialogsVexaRM::Caption(DialogStyle style) {
    switch (style) {
    case DialogStyle::Error:
        return QStringLiteral("Error");
    case DialogStyle::Warning:
        return QStringLiteral("Warning");
    case DialogStyle::Information:
        return QStringLiteral("Information");
    case DialogStyle::Confirmation:
        return QStringLiteral("Confirm");
    }
    return QString();
}

int TOperatorDialogsVexaRM::DefaultAnswer(int buttons) {
    if (buttons & kButtonCancel) return kButtonCancel;
    if (buttons & kButtonNo) return kButtonNo;
    return kButtonOk;
}

QMessageBox *TOperatorDialogsVexaRM::Build(QWidget *owner, DialogStyle style, const QString &text,
                                           int buttons) {
    if ((buttons & (kButtonOk | kButtonCancel | kButtonYes | kButtonNo | kButtonRetry |
                    kButtonAbort | kButtonIgnore)) == 0)
        buttons = kButtonOk;
    auto *box = new QMessageBox(IconOf(style), Caption(style), text, QMessageBox::NoButton, owner);
    QMessageBox::StandardButton first = QMessageBox::NoButton;
    for (const auto &b : kButtons) {
        if (buttons & b.mine) {
            box->addButton(b.theirs);
            if (first == QMessageBox::NoButton) first = b.theirs;
        }
    }
    box->setDefaultButton(first);
    int fallback = DefaultAnswer(buttons);
    for (const auto &b : kButtons)
        if (b.mine == fallback && (buttons & b.mine)) box->setEscapeButton(b.theirs);
    return box;
}

int TOperatorDialogsVexaRM::Answer(QMessageBox *box, int buttons) {
    QAbstractButton *clicked = box->clickedButton();
    if (clicked) {
        QMessageBox::StandardButton sb = box->standardButton(clicked);
        for (const auto &b : kButtons)
            if (b.theirs == sb) return b.mine;
    }
    return DefaultAnswer(buttons);
}

int TOperatorDialogsVexaRM::Ask(DialogStyle style, const std::string &text, int buttons) {
    QPointer<QMessageBox> box =
        Build(FOwner, style, QString::fromLocal8Bit(text.data(), qsizetype(text.size())), buttons);
    box->exec();
    if (!box) return DefaultAnswer(buttons); // its owner went away while it was open
    int answer = Answer(box, buttons);
    delete box;
    return answer;
}

} // namespace vexa
