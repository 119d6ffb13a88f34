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

QMessageBox *TOperatorDialogsVexaRM::Build(QWidget *owner, const TDialogQuestion &question) {
    int buttons = question.Buttons;
    if ((buttons & (kButtonOk | kButtonCancel | kButtonYes | kButtonNo | kButtonRetry |
                    kButtonAbort | kButtonIgnore)) == 0)
        buttons = kButtonOk;
    auto *box = new QMessageBox(
        IconOf(question.Style), Caption(question.Style),
        QString::fromLocal8Bit(question.Text.data(), qsizetype(question.Text.size())),
        QMessageBox::NoButton, owner);
    if (!question.Detail.empty())
        box->setInformativeText(
            QString::fromLocal8Bit(question.Detail.data(), qsizetype(question.Detail.size())));
    QMessageBox::StandardButton first = QMessageBox::NoButton;
    QMessageBox::StandardButton chosen = QMessageBox::NoButton;
    for (const auto &b : kButtons) {
        if (buttons & b.mine) {
            box->addButton(b.theirs);
            if (first == QMessageBox::NoButton) first = b.theirs;
            if (b.mine == question.DefaultButton) chosen = b.theirs;
        }
    }
    box->setDefaultButton(chosen != QMessageBox::NoButton ? chosen : first);
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
    return AskQuestion(PlainQuestion(style, text, buttons));
}

int TOperatorDialogsVexaRM::AskQuestion(const TDialogQuestion &question) {
    QPointer<QMessageBox> box = Build(FOwner, question);
    box->exec();
    if (!box) return DefaultAnswer(question.Buttons); // its owner went away while it was open
    int answer = Answer(box, question.Buttons);
    delete box;
    return answer;
}

} // namespace vexa
