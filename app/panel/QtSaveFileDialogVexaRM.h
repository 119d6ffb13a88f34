// The save-file dialog of the program: a modal QFileDialog that chooses the
// record file. Choosing an existing file asks nothing: recording appends.
#pragma once

#include "SaveFileDialogVexaRM.h"

#include <QPointer>
#include <QWidget>

namespace vexa {

class TQtSaveFileDialogVexaRM : public ISaveFileDialogVexaRM {
public:
    explicit TQtSaveFileDialogVexaRM(QWidget *parent = nullptr) : FParent(parent) {}

    QWidget *Parent() const { return FParent; }
    void SetParent(QWidget *parent) { FParent = parent; }

    QString AskFileName(const QString &fileName, const QString &defaultExt,
                        const QString &filter) override;

    // Turns a "description|pattern|description|pattern" list into the name
    // filters of a Qt file dialog ("description;;description"). A
    // description that does not show its pattern in brackets gets it added,
    // because Qt reads the patterns from the brackets.
    static QString QtFilter(const QString &filter);

private:
    QPointer<QWidget> FParent;
};

} // namespace vexa
