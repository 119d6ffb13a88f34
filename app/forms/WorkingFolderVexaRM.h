// The folder the program works in: the executable's own folder, or the
// per-user data folder when that one is not writable.
#pragma once

#include <QString>

namespace vexa {

class TWorkingFolderVexaRM {
public:
    // The folder for the settings files and the record file: exeDir when a
    // file can be created there, else dataDir (created when missing). Empty
    // when neither can be used.
    static QString Choose(const QString &exeDir, const QString &dataDir);
    // Chooses for this program and makes it the current directory.
    static QString Enter();
    // A file that belongs to the program (help page, viewer): in the
    // working folder when present there, else beside the executable.
    static QString ProgramFile(const QString &relative);
    static bool IsWritableFolder(const QString &dir);
};

} // namespace vexa
