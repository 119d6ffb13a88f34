// The list of the measurements in a record file: where each starts in the
// file, its duration, its rate(s) and whether it is complete. Choosing one
// shows it whole.
#pragma once

#include "recfile/RecordReaderVexaRM.h"

#include <QTreeWidget>

namespace vexa::view {

class TMeasurementListVexaRM : public QTreeWidget {
    Q_OBJECT
public:
    explicit TMeasurementListVexaRM(QWidget *parent = nullptr);

    // Fills the list from reader (null: empties it), keeping the choice.
    void SetReader(const rec::TRecordReaderVexaRM *reader, uint32_t current);
    void Choose(uint32_t m);
    // Wide enough for every column.
    QSize sizeHint() const override;

signals:
    void Chosen(uint32_t m);
};

} // namespace vexa::view
