// The folder the program works in, and where it finds what it ships.
//
// A copy that holds the driver library beside it (the build tree, a copied
// folder) works in its own folder, or in the per-user data folder when its
// own is not writable. An installed copy (no driver library beside it, one
// in the private library folder) always works in the per-user data folder:
// the program's folder belongs to the system, also for root, who could
// write there. Its first start copies the shipped default settings into
// that folder.
#pragma once

#include <QString>

namespace vexa {

class TWorkingFolderVexaRM {
public:
    // The folder for the settings files and the record file: exeDir when
    // the copy is not installed and a file can be created there, else
    // dataDir (created when missing; when an installed copy creates it, the
    // shipped default settings are copied into it). Empty when neither can
    // be used.
    static QString Choose(const QString &exeDir, const QString &dataDir);
    // Chooses for this program and makes it the current directory.
    static QString Enter();
    // A file that belongs to the program (help page, viewer): in the
    // working folder when present there, else as ShippedFile finds it.
    static QString ProgramFile(const QString &relative);
    static bool IsWritableFolder(const QString &dir);

    // Whether the program in exeDir is an installed copy.
    static bool IsInstalled(const QString &exeDir);
    // The folder to load the driver library from: the private library
    // folder of an installed copy, else exeDir.
    static QString DriverFolder(const QString &exeDir);
    // A file the program ships: beside exeDir, else in the installed data
    // folder; the name beside exeDir when it is in neither.
    static QString ShippedFile(const QString &exeDir, const QString &relative);
};

} // namespace vexa
