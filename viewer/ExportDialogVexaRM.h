// Asks what to export: the format (CSV of every sample or a summary per N
// samples, WAV, NPY or a new record file), which span (between the cursors,
// the visible span or the whole measurement) and the file to write.
#pragma once

#include "recfile/RecordExportVexaRM.h"

#include <QDialog>

class QComboBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vexa::view {

class TExportDialogVexaRM : public QDialog {
    Q_OBJECT
public:
    enum class Span { Cursors, Visible, Whole };

    // path: the suggested file (its extension follows the format).
    TExportDialogVexaRM(QWidget *parent, bool cursorsPlaced, const QString &path);

    rec::ExportFormat Format() const;
    uint64_t Decimate() const; // 0: every sample
    Span Which() const;
    QString Path() const;

private:
    void FormatChanged();
    void Browse();

    QComboBox *FFormat = nullptr;
    QSpinBox *FDecimate = nullptr;
    QRadioButton *FSpan[3] = {};
    QLineEdit *FPath = nullptr;
    QPushButton *FOk = nullptr;
};

} // namespace vexa::view
