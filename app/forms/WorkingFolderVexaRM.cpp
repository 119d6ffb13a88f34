#include "WorkingFolderVexaRM.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vexa {

bool TWorkingFolderVexaRM::IsWritableFolder(const QString &dir) {
    QFileInfo info(dir);
    if (!info.isDir()) return false;
    // The permission bits do not tell about read-only mounts: try it.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".vexa_probe_XXXXXX")));
    return probe.open();
}

QString TWorkingFolderVexaRM::Choose(const QString &exeDir, const QString &dataDir) {
    if (!exeDir.isEmpty() && IsWritableFolder(exeDir)) return QDir(exeDir).absolutePath();
    if (dataDir.isEmpty()) return QString();
    QDir().mkpath(dataDir);
    if (IsWritableFolder(dataDir)) return QDir(dataDir).absolutePath();
    return QString();
}

QString TWorkingFolderVexaRM::Enter() {
    QString dir = Choose(QCoreApplication::applicationDirPath(),
                         QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    if (dir.isEmpty()) dir = QCoreApplication::applicationDirPath();
    QDir::setCurrent(dir);
    return dir;
}

QString TWorkingFolderVexaRM::ProgramFile(const QString &relative) {
    QString here = QDir::current().absoluteFilePath(relative);
    if (QFileInfo::exists(here)) return here;
    return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(relative);
}

} // namespace vexa
