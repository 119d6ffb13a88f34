#include "WorkingFolderVexaRM.h"

#include "common/InstallLayoutVexaRM.h"
#include "model/SettingsVexaRM.h"
#include "device/VirtualDriverVexaRM.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

namespace vexa {

namespace {

QString InFolder(const QString &dir, const char *relative) {
    return QDir::cleanPath(QDir(dir).absoluteFilePath(QString::fromUtf8(relative)));
}

QString DriverName() {
    return QString::fromUtf8(TVirtualDriverVexaRM::kDefaultLibraryName);
}

} // namespace

bool TWorkingFolderVexaRM::IsWritableFolder(const QString &dir) {
    QFileInfo info(dir);
    if (!info.isDir()) return false;
    // The permission bits do not tell about read-only mounts: try it.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".vexa_probe_XXXXXX")));
    return probe.open();
}

bool TWorkingFolderVexaRM::IsInstalled(const QString &exeDir) {
    if (exeDir.isEmpty() || QFileInfo::exists(QDir(exeDir).filePath(DriverName()))) return false;
    return QFileInfo::exists(
        QDir(InFolder(exeDir, kInstalledLibraryFolder)).filePath(DriverName()));
}

QString TWorkingFolderVexaRM::DriverFolder(const QString &exeDir) {
    return IsInstalled(exeDir) ? InFolder(exeDir, kInstalledLibraryFolder) : exeDir;
}

QString TWorkingFolderVexaRM::ShippedFile(const QString &exeDir, const QString &relative) {
    const QString beside = QDir(exeDir).absoluteFilePath(relative);
    if (QFileInfo::exists(beside)) return beside;
    const QString installed = QDir(InFolder(exeDir, kInstalledDataFolder)).filePath(relative);
    return QFileInfo::exists(installed) ? installed : beside;
}

QString TWorkingFolderVexaRM::Choose(const QString &exeDir, const QString &dataDir) {
    const bool installed = IsInstalled(exeDir);
    if (!installed && !exeDir.isEmpty() && IsWritableFolder(exeDir))
        return QDir(exeDir).absolutePath();
    if (dataDir.isEmpty()) return QString();
    const bool firstStart = !QFileInfo::exists(dataDir);
    QDir().mkpath(dataDir);
    if (!IsWritableFolder(dataDir)) return QString();
    if (installed && firstStart) {
        // Only the very first start: a settings file the operator deletes
        // later is reported as missing, as in any other folder.
        const QString name = QString::fromUtf8(TSettingsVexaRM::WorkingFileName);
        QFile::copy(QDir(InFolder(exeDir, kInstalledDataFolder)).filePath(name),
                    QDir(dataDir).filePath(name));
    }
    return QDir(dataDir).absolutePath();
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
    return ShippedFile(QCoreApplication::applicationDirPath(), relative);
}

} // namespace vexa
