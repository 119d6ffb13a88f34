// The save-file dialog of the data-file controls, behind a narrow seam so
// that the question can be answered by a script in tests.
#pragma once

#include <QString>

namespace vexa {

class ISaveFileDialogVexaRM {
public:
    virtual ~ISaveFileDialogVexaRM() = default;
    // Shows a modal save-file dialog that proposes fileName. defaultExt is
    // appended to a chosen name without extension; filter lists pairs of
    // "description|pattern" separated by "|". Returns the chosen file name,
    // or an empty string when the operator cancels.
    virtual QString AskFileName(const QString &fileName, const QString &defaultExt,
                                const QString &filter) = 0;
};

} // namespace vexa
