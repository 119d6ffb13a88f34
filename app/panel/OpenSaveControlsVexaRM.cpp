#include "OpenSaveControlsVexaRM.h"

#include "BinderSupportVexaRM.h"
#include "model/ResourceStringsVexaRM.h"
#include "FilteredEditVexa.h"
#include "ValueTextVexa.h"
#include "model/VirtualScopeVexaRM.h"

#include "common/ScopeConstsVexaRM.h"

#include <QDir>
#include <QFileInfo>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>

#include <algorithm>

namespace vexa {

TOpenSaveControlsVexaRM::TOpenSaveControlsVexaRM(QObject *parent) : QObject(parent) {}

TOpenSaveControlsVexaRM::~TOpenSaveControlsVexaRM() {
    FHooks.ClearAll();
    if (FSaveFileEdit) FSaveFileEdit->removeEventFilter(this);
}

void TOpenSaveControlsVexaRM::HookClick(HookedWidget slot, QAbstractButton *w) {
    if (!w) {
        FHooks.Clear(slot);
        return;
    }
    FHooks.Replace(slot, {connect(w, &QAbstractButton::clicked, this, [this, w] { Click(w); })});
}

void TOpenSaveControlsVexaRM::SetSaveFileEdit(QLineEdit *w) {
    if (FSaveFileEdit == w) return;
    if (FSaveFileEdit) FSaveFileEdit->removeEventFilter(this);
    FSaveFileEdit = w;
    if (w) w->installEventFilter(this);
}

bool TOpenSaveControlsVexaRM::eventFilter(QObject *watched, QEvent *event) {
    // The type first: the edit's own destruction sends events through this
    // filter, and comparing with the guarded pointer then reads a half-destroyed edit.
    if (event->type() == QEvent::KeyRelease && watched == FSaveFileEdit) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->isAutoRepeat()) EditKeyUp(key->key());
    } else if (event->type() == QEvent::FocusOut && watched == FSaveFileEdit) {
        // Leaving a name that was not confirmed shows the file in use again.
        if (static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) ShowFileName();
    }
    return QObject::eventFilter(watched, event);
}

ISaveFileDialogVexaRM &TOpenSaveControlsVexaRM::Dialog() {
    if (FSaveDialog) return *FSaveDialog;
    if (!FOwnDialog) FOwnDialog = std::make_unique<TQtSaveFileDialogVexaRM>();
    return *FOwnDialog;
}

void TOpenSaveControlsVexaRM::Click(QObject *sender) {
    auto *scope = VirtualScope();
    if (!scope) return;
    // A file dialog may change the current directory; relative file names
    // of the program resolve against it, so it is put back afterwards.
    const QString currentDir = QDir::currentPath();
    if (sender == FSaveFileBrowse) {
        const QString chosen =
            Dialog().AskFileName(ToQString(scope->GetRecordFileName()),
                                 QString::fromLatin1(kDefaultExt), QString::fromLatin1(kFilter));
        if (!chosen.isEmpty()) {
            scope->OpenRecordFile(ToStdString(chosen));
            if (FSaveFileEdit) FSaveFileEdit->setToolTip(chosen);
        }
    } else if (sender == FSaveButton) {
        scope->SetSavingActivated(!scope->SavingActivated());
    } else if (sender == FCLFButton) {
        if (AskClearFile() == kButtonYes) scope->ClearRecordFile();
        if (FCLFButton) FCLFButton->SetDown(false);
    }
    QDir::setCurrent(currentDir);
    scope->Notify(kNotifySettingsChanged, ControlGroup());
}

int TOpenSaveControlsVexaRM::AskClearFile() {
    auto *scope = VirtualScope();
    // Emptying the file loses what it holds: the question names the file
    // and its size, and Enter answers No.
    const std::string name = scope->GetRecordFileName();
    const QFileInfo file(ToQString(name));
    TDialogQuestion question =
        PlainQuestion(DialogStyle::Confirmation, TResourceStringsVexaRM::ClearTheFile,
                      kButtonYes | kButtonNo | kButtonCancel);
    question.DefaultButton = kButtonNo;
    if (file.exists()) {
        // An open file may hold written bytes that are not on disk yet.
        const double bytes = std::max(scope->FileSize(), double(file.size()));
        question.Detail = TResourceStringsVexaRM::ClearFileDetail(
            name, FormatUnitValue(kUnitTypeSize, bytes, 0, false).Text);
    } else {
        question.Detail = TResourceStringsVexaRM::ClearNewFileDetail(name);
    }
    return scope->AskOperator(question);
}

void TOpenSaveControlsVexaRM::EditKeyUp(int key) {
    auto *scope = VirtualScope();
    if (!scope || !FSaveFileEdit) return;
    if (TFilteredEditVexa::IsEnterKey(key)) {
        if (scope->MeasurementStarted()) return;
        SetTextColor(FSaveFileEdit, WindowTextColor());
        const QString name = FSaveFileEdit->text();
        FSaveFileEdit->setToolTip(name);
        scope->OpenRecordFile(ToStdString(name));
        scope->Notify(kNotifySettingsChanged, ControlGroup());
    } else {
        // Only a changed name is unconfirmed.
        const bool changed = FSaveFileEdit->text() != ToQString(scope->GetRecordFileName());
        SetTextColor(FSaveFileEdit, changed ? UnconfirmedTextColor() : WindowTextColor());
    }
}

void TOpenSaveControlsVexaRM::ShowFileName() {
    auto *scope = VirtualScope();
    if (!scope || !FSaveFileEdit) return;
    FSaveFileEdit->setText(ToQString(scope->GetRecordFileName()));
    SetTextColor(FSaveFileEdit, WindowTextColor());
}

void TOpenSaveControlsVexaRM::ScopeNotification(int32_t kind, const int32_t &senderGroup) {
    TWrapperComponentVexaRM::ScopeNotification(kind, senderGroup);
    if (kind == kNotifyInitialized || kind == kNotifySettingsChanged) UpdateControls();
}

void TOpenSaveControlsVexaRM::UpdateControls() {
    auto *scope = VirtualScope();
    if (!scope) return;
    const bool idle = !scope->MeasurementStarted();
    if (FSaveButton) {
        FSaveButton->SetDown(scope->SavingActivated());
        FSaveButton->setEnabled(idle);
    }
    if (FSaveFileEdit) {
        ShowFileName();
        // Like the browse button: a new file name would split a running
        // measurement across two files.
        FSaveFileEdit->setEnabled(idle);
    }
    if (FSaveFileBrowse) FSaveFileBrowse->setEnabled(idle);
    if (FCLFButton) FCLFButton->setEnabled(idle);
}

void TOpenSaveControlsVexaRM::ApplyToolTips() {
    if (FSaveFileBrowse) FSaveFileBrowse->setToolTip(QStringLiteral("Browse for data file"));
    if (FSaveButton)
        FSaveButton->setToolTip(QStringLiteral("Activate/Deactivate measurement saving"));
    if (FSaveFileEdit && VirtualScope())
        FSaveFileEdit->setToolTip(ToQString(VirtualScope()->GetRecordFileName()));
}

} // namespace vexa
