// Binds the record-file name, saving on/off and clearing of the file.
#pragma once

#include "EventHooksVexaRM.h"
#include "OnOffButtonVexa.h"
#include "QtSaveFileDialogVexaRM.h"
#include "model/WrapperComponentVexaRM.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QObject>
#include <QPointer>

#include <memory>

namespace vexa {

class TOpenSaveControlsVexaRM : public QObject, public TWrapperComponentVexaRM {
    Q_OBJECT
public:
    // What the save dialog proposes and accepts.
    static constexpr const char *kDefaultExt = "rmd";
    static constexpr const char *kFilter = "Roll mode files (*.rmd)|*.rmd";

    explicit TOpenSaveControlsVexaRM(QObject *parent = nullptr);
    ~TOpenSaveControlsVexaRM() override;

    QLineEdit *SaveFileEdit() const { return FSaveFileEdit; }
    void SetSaveFileEdit(QLineEdit *w);
    QAbstractButton *SaveFileBrowse() const { return FSaveFileBrowse; }
    void SetSaveFileBrowse(QAbstractButton *w) {
        FSaveFileBrowse = w;
        HookClick(kBrowse, w);
    }
    TOnOffButtonVexa *SaveButton() const { return FSaveButton; }
    void SetSaveButton(TOnOffButtonVexa *w) {
        FSaveButton = w;
        HookClick(kSave, w);
    }
    TOnOffButtonVexa *CLFButton() const { return FCLFButton; }
    void SetCLFButton(TOnOffButtonVexa *w) {
        FCLFButton = w;
        HookClick(kClear, w);
    }
    // The save-file dialog; not owned. Without one the binder uses a
    // QFileDialog of its own.
    ISaveFileDialogVexaRM *SaveDialog() const { return FSaveDialog; }
    void SetSaveDialog(ISaveFileDialogVexaRM *dialog) { FSaveDialog = dialog; }

    void ScopeNotification(int32_t kind, const int32_t &senderGroup) override;
    void UpdateControls() override;
    void ApplyToolTips();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum HookedWidget { kBrowse, kSave, kClear };
    void HookClick(HookedWidget slot, QAbstractButton *w);
    void Click(QObject *sender);
    void EditKeyUp(int key);
    // Shows the record file in use in the name edit, as confirmed text.
    void ShowFileName();
    // Asks "Clear the file?" about the current record file; the answer.
    int AskClearFile();
    ISaveFileDialogVexaRM &Dialog();

    QPointer<QLineEdit> FSaveFileEdit;
    QPointer<QAbstractButton> FSaveFileBrowse;
    QPointer<TOnOffButtonVexa> FSaveButton, FCLFButton;
    ISaveFileDialogVexaRM *FSaveDialog = nullptr;
    std::unique_ptr<TQtSaveFileDialogVexaRM> FOwnDialog;
    TEventHooksVexaRM FHooks;
};

} // namespace vexa
