#include "QtSaveFileDialogVexaRM.h"

#include <QFileDialog>
#include <QStringList>

namespace vexa {

QString TQtSaveFileDialogVexaRM::QtFilter(const QString &filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        const QString patterns = parts[i + 1].trimmed();
        if (patterns.isEmpty()) continue;
        if (!description.contains(QLatin1Char('('))) {
            QString spaced = patterns;
            spaced.replace(QLatin1Char(';'), QLatin1Char(' '));
            description += QStringLiteral(" (") + spaced + QLatin1Char(')');
        }
        filters << description;
    }
    return filters.join(QStringLiteral(";;"));
}

QString TQtSaveFileDialogVexaRM::AskFileName(const QString &fileName, const QString &defaultExt,
                                             const QString &filter) {
    QFileDialog dialog(FParent);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // Recording appends to the chosen file and never replaces it, so an
    // existing file needs no confirmation.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setDefaultSuffix(defaultExt);
    const QString qtFilter = QtFilter(filter);
    if (!qtFilter.isEmpty()) dialog.setNameFilter(qtFilter);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted) return QString();
    const QStringList chosen = dialog.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

} // namespace vexa
