// The viewer's main window: a record file with its measurement list, the
// trace view, the overview strip and the cursor readout; menus for opening
// (also by drag and drop and from the recent files), export, search,
// following a file that is being recorded, and help. It owns the open file
// and the workers that build its index and run exports.
#pragma once

#include "recfile/RecordExportVexaRM.h"
#include "recfile/RecordFileVexaRM.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QMenu;
class QProgressBar;
class QProgressDialog;
class QPushButton;
class QTimer;

namespace vexa::view {

class TExportJobVexaRM;
class TIndexJobVexaRM;
class TMeasurementListVexaRM;
class TOverviewStripVexaRM;
class TReadoutPanelVexaRM;
class TSearchBarVexaRM;
class TTraceViewVexaRM;

class TViewerWindowVexaRM : public QMainWindow {
    Q_OBJECT
public:
    explicit TViewerWindowVexaRM(QWidget *parent = nullptr);
    ~TViewerWindowVexaRM() override;

    // Opens a record file; false (with a message) when it cannot be read.
    bool OpenFile(const QString &path);
    // Messages to the operator go here (tests replace the message box).
    void SetMessageHook(std::function<void(const QString &)> hook) { FMessage = std::move(hook); }
    void SetFollow(bool on);
    // Exports as the dialog would; the result comes with ExportEnded.
    void StartExport(const QString &path, rec::ExportFormat format, uint64_t decimate,
                     rec::TTimeNs from, rec::TTimeNs to);

    // For tests and the status line.
    const rec::TRecordFileVexaRM *File() const { return FFile.get(); }
    const rec::TRecordReaderVexaRM *Reader() const { return FReader.get(); }
    TTraceViewVexaRM *TraceView() const { return FTrace; }
    TMeasurementListVexaRM *MeasurementList() const { return FList; }
    TReadoutPanelVexaRM *Readout() const { return FReadout; }
    bool IndexBusy() const { return FIndexJob != nullptr; }
    QString StatusText() const;

signals:
    // A new reader is shown (the index was loaded, built, or extended).
    void ReaderChanged();
    void ExportEnded(bool ok, const QString &text);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    void CreateMenus();
    void ShowMessage(const QString &text);
    void StartIndexJob(std::shared_ptr<const rec::TSummaryIndexVexaRM> start);
    void IndexChanged();
    void ShowReader(std::shared_ptr<const rec::TRecordReaderVexaRM> reader, bool partial);
    void ChooseMeasurement(uint32_t m);
    void UpdateReadout();
    void UpdateStatus();
    void FollowTick();
    void Search(bool forward);
    void ExportDialog();
    void ExportFinished();
    void ShowProblems();
    void HelpIndex();
    void MenuOpen();
    void AddRecent(const QString &path);
    void FillRecentMenu();
    void CloseFile();

    std::unique_ptr<rec::TRecordFileVexaRM> FFile;
    std::shared_ptr<const rec::TRecordReaderVexaRM> FReader;
    bool FPartial = false; // FReader covers only the part summarised so far
    uint32_t FMeasurement = 0;
    QString FIndexNote;      // what the last index work did
    bool FDockSized = false; // the list's width was restored or fitted once
    std::unique_ptr<TIndexJobVexaRM> FIndexJob;
    std::unique_ptr<TExportJobVexaRM> FExportJob;
    QPointer<QProgressDialog> FExportProgress;
    QString FExportPath;

    TTraceViewVexaRM *FTrace = nullptr;
    TOverviewStripVexaRM *FOverview = nullptr;
    TReadoutPanelVexaRM *FReadout = nullptr;
    TMeasurementListVexaRM *FList = nullptr;
    TSearchBarVexaRM *FSearch = nullptr;
    QLabel *FStatus = nullptr;
    QProgressBar *FProgress = nullptr;
    QPushButton *FProblems = nullptr;
    QAction *FFollowAction = nullptr;
    QAction *FExportAction = nullptr;
    QMenu *FRecentMenu = nullptr;
    QTimer *FFollowTimer = nullptr;
    QTimer *FProgressTimer = nullptr;
    std::function<void(const QString &)> FMessage;
};

} // namespace vexa::view
