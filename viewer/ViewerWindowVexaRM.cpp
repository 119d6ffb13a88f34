#include "ViewerWindowVexaRM.h"

#include "CursorReadoutVexaRM.h"
#include "ExportDialogVexaRM.h"
#include "ExportJobVexaRM.h"
#include "IndexJobVexaRM.h"
#include "common/InstallLayoutVexaRM.h"
#include "MeasurementListVexaRM.h"
#include "OverviewStripVexaRM.h"
#include "ReadoutPanelVexaRM.h"
#include "SearchBarVexaRM.h"
#include "TraceViewVexaRM.h"
#include "ViewTextVexaRM.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QUrl>
#include <QVBoxLayout>

#include <malloc.h>

namespace vexa::view {

namespace {
constexpr int kMaxRecent = 8;
constexpr int kFollowMs = 1000;  // how often a followed file is looked at
constexpr int kProgressMs = 100; // progress bars are brought up to date
constexpr int kProgressSteps = 1000;
constexpr int kProblemsShown = 40;

QString Q(const std::string &s) {
    return QString::fromStdString(s);
}
} // namespace

TViewerWindowVexaRM::TViewerWindowVexaRM(QWidget *parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("PreviewVexaRM"));
    setAcceptDrops(true);
    FMessage = [this](const QString &text) {
        QMessageBox::warning(this, QStringLiteral("PreviewVexaRM"), text);
    };

    auto *central = new QWidget(this);
    auto *column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(2);
    FTrace = new TTraceViewVexaRM(central);
    FOverview = new TOverviewStripVexaRM(central);
    FReadout = new TReadoutPanelVexaRM(central);
    column->addWidget(FTrace, 1);
    column->addWidget(FOverview);
    column->addWidget(FReadout);
    setCentralWidget(central);

    FList = new TMeasurementListVexaRM(this);
    auto *dock = new QDockWidget(tr("Measurements"), this);
    dock->setObjectName(QStringLiteral("measurements"));
    dock->setWidget(FList);
    dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable);
    addDockWidget(Qt::LeftDockWidgetArea, dock);

    FSearch = new TSearchBarVexaRM(this);
    auto *bar = new QToolBar(tr("Search"), this);
    bar->setObjectName(QStringLiteral("search"));
    bar->setMovable(false);
    bar->addWidget(FSearch);
    addToolBar(Qt::TopToolBarArea, bar);

    FStatus = new QLabel(this);
    FProblems = new QPushButton(this);
    FProblems->setFlat(true);
    FProblems->hide();
    FProgress = new QProgressBar(this);
    FProgress->setRange(0, kProgressSteps);
    FProgress->setMaximumWidth(220);
    FProgress->setFormat(tr("index %p %"));
    FProgress->hide();
    statusBar()->addWidget(FStatus, 1);
    statusBar()->addPermanentWidget(FProblems);
    statusBar()->addPermanentWidget(FProgress);

    FFollowTimer = new QTimer(this);
    FFollowTimer->setInterval(kFollowMs);
    FProgressTimer = new QTimer(this);
    FProgressTimer->setInterval(kProgressMs);

    CreateMenus();
    dock->toggleViewAction()->setText(tr("&Measurement list"));
    bar->addSeparator();
    bar->addAction(FFollowAction);

    connect(FTrace, &TTraceViewVexaRM::SpanChanged, this,
            [this] { FOverview->SetVisibleSpan(FTrace->Span().From(), FTrace->Span().To()); });
    connect(FTrace, &TTraceViewVexaRM::CursorsChanged, this, &TViewerWindowVexaRM::UpdateReadout);
    connect(FOverview, &TOverviewStripVexaRM::MoveRequested, this,
            [this](TTimeNs from) { FTrace->SetSpan(from, from + FTrace->Span().Width()); });
    connect(FList, &TMeasurementListVexaRM::Chosen, this, [this](uint32_t m) {
        // Looking at another measurement ends following the last one.
        if (FReader && m + 1 != FReader->Measurements().size()) SetFollow(false);
        ChooseMeasurement(m);
    });
    connect(FSearch, &TSearchBarVexaRM::Search, this, &TViewerWindowVexaRM::Search);
    connect(FProblems, &QPushButton::clicked, this, &TViewerWindowVexaRM::ShowProblems);
    connect(FFollowTimer, &QTimer::timeout, this, &TViewerWindowVexaRM::FollowTick);
    connect(FProgressTimer, &QTimer::timeout, this, [this] {
        if (FIndexJob)
            FProgress->setValue(static_cast<int>(FIndexJob->Progress() * kProgressSteps));
        if (FExportJob && FExportProgress)
            FExportProgress->setValue(static_cast<int>(FExportJob->Progress() * kProgressSteps));
        if (!FIndexJob && !FExportJob) FProgressTimer->stop();
    });

    QSettings settings;
    const QRect screen = QApplication::primaryScreen()
                             ? QApplication::primaryScreen()->availableGeometry()
                             : QRect(0, 0, 1280, 800);
    resize(screen.width() * 9 / 10, screen.height() * 9 / 10);
    restoreGeometry(settings.value(QStringLiteral("geometry")).toByteArray());
    FDockSized = restoreState(settings.value(QStringLiteral("state")).toByteArray());
    FTrace->setFocus();
    UpdateStatus();
}

TViewerWindowVexaRM::~TViewerWindowVexaRM() {
    CloseFile();
}

void TViewerWindowVexaRM::CreateMenus() {
    QMenu *file = menuBar()->addMenu(tr("&File"));
    file->addAction(tr("&Open\u2026"), QKeySequence::Open, this, &TViewerWindowVexaRM::MenuOpen);
    FRecentMenu = file->addMenu(tr("Open &recent"));
    connect(FRecentMenu, &QMenu::aboutToShow, this, &TViewerWindowVexaRM::FillRecentMenu);
    file->addSeparator();
    FExportAction = file->addAction(tr("&Export\u2026"), QKeySequence(Qt::CTRL | Qt::Key_E), this,
                                    &TViewerWindowVexaRM::ExportDialog);
    file->addAction(tr("&Problems in the file\u2026"), this, &TViewerWindowVexaRM::ShowProblems);
    file->addSeparator();
    file->addAction(tr("&Close"), QKeySequence::Close, this, &TViewerWindowVexaRM::CloseFile);
    file->addAction(tr("&Quit"), QKeySequence::Quit, this, &QWidget::close);

    // Keys the trace view handles itself are named after a tab.
    QMenu *view = menuBar()->addMenu(tr("&View"));
    view->addAction(tr("&Fit the measurement\tF"), this, [this] { FTrace->Fit(); });
    view->addAction(tr("Zoom &in\t+"), this, [this] { FTrace->ZoomBy(0.5); });
    view->addAction(tr("Zoom &out\t-"), this, [this] { FTrace->ZoomBy(2); });
    view->addAction(tr("&Start\tHome"), this,
                    [this] { FTrace->SetSpan(0, FTrace->Span().Width()); });
    view->addAction(tr("&End\tEnd"), this, [this] { FTrace->ShowEnd(); });
    view->addSeparator();
    FFollowAction = view->addAction(tr("Fo&llow the file"));
    FFollowAction->setCheckable(true);
    FFollowAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    FFollowAction->setToolTip(tr("Follow a file that is being recorded (Ctrl+L)"));
    connect(FFollowAction, &QAction::toggled, this, &TViewerWindowVexaRM::SetFollow);
    view->addSeparator();
    view->addAction(findChild<QDockWidget *>()->toggleViewAction());

    QMenu *search = menuBar()->addMenu(tr("&Search"));
    search->addAction(tr("Find &next"), QKeySequence::FindNext, this, [this] { Search(true); });
    search->addAction(tr("Find &previous"), QKeySequence::FindPrevious, this,
                      [this] { Search(false); });
    search->addSeparator();
    search->addAction(tr("Cursor &1 to the middle\t1"), this, [this] {
        FTrace->SetCursor(0, FTrace->Span().From() + FTrace->Span().Width() / 2);
    });
    search->addAction(tr("Cursor &2 to the middle\t2"), this, [this] {
        FTrace->SetCursor(1, FTrace->Span().From() + FTrace->Span().Width() / 2);
    });
    search->addAction(tr("&Remove the cursors\tEsc"), this, [this] { FTrace->ClearCursors(); });

    QMenu *help = menuBar()->addMenu(tr("&Help"));
    help->addAction(tr("&Index"), QKeySequence::HelpContents, this,
                    &TViewerWindowVexaRM::HelpIndex);
    help->addAction(tr("&About"), this, [this] {
        QMessageBox::about(this, tr("About PreviewVexaRM"),
                           tr("PreviewVexaRM %1.%2\nThe viewer of Vexa record files.")
                               .arg(VEXA_VERSION_MAJOR)
                               .arg(VEXA_VERSION_MINOR));
    });
}

void TViewerWindowVexaRM::ShowMessage(const QString &text) {
    if (FMessage) FMessage(text);
}

// ---- Files ---------------------------------------------------------------------

void TViewerWindowVexaRM::MenuOpen() {
    QSettings settings;
    const QString path = QFileDialog::getOpenFileName(
        this, tr("Open a record file"), settings.value(QStringLiteral("lastFolder")).toString(),
        tr("Record files (*.rmd);;All files (*)"));
    if (!path.isEmpty()) OpenFile(path);
}

bool TViewerWindowVexaRM::OpenFile(const QString &path) {
    std::string error;
    auto file = rec::TRecordFileVexaRM::Open(QFile::encodeName(path).toStdString(), &error);
    if (!file) {
        ShowMessage(
            tr("The record file cannot be opened.\n%1").arg(QString::fromLocal8Bit(error.c_str())));
        return false;
    }
    CloseFile();
    FFile = std::move(file);
    FMeasurement = 0;
    AddRecent(QFileInfo(path).absoluteFilePath());
    setWindowTitle(tr("%1 \u2013 PreviewVexaRM").arg(QFileInfo(path).fileName()));
    const auto status = FFile->LoadIndex();
    if (FFile->IndexCurrent()) {
        FIndexNote = tr("index loaded");
        ShowReader(FFile->Reader(), false);
    } else {
        const bool grown = status == rec::TRecordFileVexaRM::LoadStatus::Grown;
        FIndexNote = status == rec::TRecordFileVexaRM::LoadStatus::Stale ||
                             status == rec::TRecordFileVexaRM::LoadStatus::Unreadable
                         ? tr("the stored index does not match the file")
                         : QString();
        // A grown file's index already answers for its first part.
        if (grown) ShowReader(FFile->Reader(), true);
        StartIndexJob(grown ? FFile->Index() : nullptr);
    }
    FTrace->setFocus();
    return true;
}

void TViewerWindowVexaRM::CloseFile() {
    FIndexJob.reset();
    FExportJob.reset();
    delete FExportProgress;
    FReader.reset();
    FFile.reset();
    FPartial = false;
    if (FTrace) {
        setWindowTitle(QStringLiteral("PreviewVexaRM"));
        ShowReader(nullptr, false);
    }
}

void TViewerWindowVexaRM::AddRecent(const QString &path) {
    QSettings settings;
    QStringList recent = settings.value(QStringLiteral("recentFiles")).toStringList();
    recent.removeAll(path);
    recent.prepend(path);
    while (recent.size() > kMaxRecent)
        recent.removeLast();
    settings.setValue(QStringLiteral("recentFiles"), recent);
    settings.setValue(QStringLiteral("lastFolder"), QFileInfo(path).absolutePath());
}

void TViewerWindowVexaRM::FillRecentMenu() {
    FRecentMenu->clear();
    const QStringList recent = QSettings().value(QStringLiteral("recentFiles")).toStringList();
    int n = 0;
    for (const QString &path : recent) {
        const QString text = QStringLiteral("&%1 %2").arg(++n).arg(QDir::toNativeSeparators(path));
        FRecentMenu->addAction(text, this, [this, path] { OpenFile(path); });
    }
    if (recent.isEmpty()) FRecentMenu->addAction(tr("(none)"))->setEnabled(false);
}

// ---- Index ---------------------------------------------------------------------

void TViewerWindowVexaRM::StartIndexJob(std::shared_ptr<const rec::TSummaryIndexVexaRM> start) {
    // A record file named "...ind" has no index of its own beside it.
    const std::string save =
        FFile->IndexPath() == FFile->Path() ? std::string() : FFile->IndexPath();
    FIndexJob = std::make_unique<TIndexJobVexaRM>(FFile->Mapping(), std::move(start), save);
    connect(FIndexJob.get(), &TIndexJobVexaRM::Changed, this, &TViewerWindowVexaRM::IndexChanged);
    FProgress->setValue(0);
    FProgress->show();
    FProgressTimer->start();
    UpdateStatus();
}

void TViewerWindowVexaRM::IndexChanged() {
    if (!FIndexJob) return;
    if (!FIndexJob->Done()) {
        if (auto part = FIndexJob->Snapshot())
            ShowReader(std::make_shared<rec::TRecordReaderVexaRM>(FIndexJob->File(), part), true);
        return;
    }
    const rec::TIndexResult result = FIndexJob->Result();
    // The job sent this signal: it is deleted once the signal has returned.
    TIndexJobVexaRM *job = FIndexJob.release();
    job->setParent(this);
    job->deleteLater();
    FProgress->hide();
    if (!result.Index) return;
    FFile->SetIndex(result.Index);
    const QString done = result.Extended ? tr("index extended") : tr("index built");
    FIndexNote = result.Saved ? tr("%1 in %2 s").arg(done).arg(result.Seconds, 0, 'f', 2)
                              : tr("%1; kept in memory: %2").arg(done, Q(result.SaveError));
    ShowReader(FFile->Reader(), false);
    // The index built on the heap now lies in its file: give the memory back.
    malloc_trim(0);
}

void TViewerWindowVexaRM::SetFollow(bool on) {
    if (FFollowAction->isChecked() != on) FFollowAction->setChecked(on);
    if (on) {
        // Following shows the newest measurement, the one being recorded.
        if (FReader && !FReader->Measurements().empty())
            FList->Choose(static_cast<uint32_t>(FReader->Measurements().size() - 1));
        FFollowTimer->start();
        FollowTick();
    } else {
        FFollowTimer->stop();
    }
    UpdateStatus();
}

void TViewerWindowVexaRM::FollowTick() {
    if (!FFile || FIndexJob) return;
    std::string error;
    if (FFile->Refresh(&error)) {
        // Grown: the index goes on from where it stopped. Shrunk: it was
        // dropped and is built anew.
        StartIndexJob(FFile->Index());
    } else if (!error.empty()) {
        FIndexNote = Q(error);
        UpdateStatus();
    }
}

// ---- What is shown --------------------------------------------------------------

void TViewerWindowVexaRM::ShowReader(std::shared_ptr<const rec::TRecordReaderVexaRM> reader,
                                     bool partial) {
    // The same file read again (a snapshot, an extension) keeps the view.
    const bool sameFile = FReader && reader && FReader->Path() == reader->Path();
    FReader = std::move(reader);
    FPartial = partial;
    const uint32_t count =
        FReader ? static_cast<uint32_t>(FReader->Measurements().size()) : uint32_t(0);
    bool keep = sameFile;
    const bool follow = FFollowAction->isChecked() && count > 0;
    if (follow && FMeasurement != count - 1) {
        FMeasurement = count - 1;
        keep = false;
    }
    if (FMeasurement >= count) {
        FMeasurement = 0;
        keep = false;
    }
    FList->SetReader(FReader.get(), FMeasurement);
    if (!FDockSized && count > 0) {
        // The first file shown: the list as wide as its columns, within reason.
        FDockSized = true;
        resizeDocks({findChild<QDockWidget *>()},
                    {std::min(FList->sizeHint().width(), width() * 2 / 5)}, Qt::Horizontal);
    }
    FTrace->SetSource(FReader, FMeasurement, keep);
    if (follow && !FTrace->Span().IsWhole()) FTrace->ShowEnd();
    FOverview->SetSource(FReader, FMeasurement);
    FOverview->SetVisibleSpan(FTrace->Span().From(), FTrace->Span().To());
    if (FReader && FMeasurement < count) {
        const auto &ms = FReader->Measurements()[FMeasurement];
        const rec::TScale &scale =
            ms.SectionCount ? FReader->Sections()[ms.FirstSection].Scale : ms.ScaleAtStart;
        FSearch->SetVolts(scale.ScaleKnown(0) || scale.ScaleKnown(1));
    }
    FExportAction->setEnabled(FReader && FMeasurement < count);
    UpdateReadout();
    UpdateStatus();
    emit ReaderChanged();
}

void TViewerWindowVexaRM::ChooseMeasurement(uint32_t m) {
    if (!FReader || m >= FReader->Measurements().size() || m == FMeasurement) return;
    FMeasurement = m;
    FTrace->SetSource(FReader, m, false);
    FOverview->SetSource(FReader, m);
    FOverview->SetVisibleSpan(FTrace->Span().From(), FTrace->Span().To());
    UpdateReadout();
    UpdateStatus();
}

void TViewerWindowVexaRM::UpdateReadout() {
    const bool has[2] = {FTrace->HasCursor(0), FTrace->HasCursor(1)};
    if (!FReader || FMeasurement >= FReader->Measurements().size() || (!has[0] && !has[1])) {
        FReadout->Clear();
        return;
    }
    TCursorReadout r;
    bool volts[2] = {false, false};
    if (has[0] && has[1]) {
        r = TCursorReadoutVexaRM::Compute(*FReader, FMeasurement, FTrace->Cursor(0),
                                          FTrace->Cursor(1));
    } else {
        const int k = has[0] ? 0 : 1;
        r.T[k] = FTrace->Cursor(k);
        TCursorReadoutVexaRM::ValueAt(*FReader, FMeasurement, r.T[k], r.At[k]);
    }
    const TTimeNs at = has[0] ? FTrace->Cursor(0) : FTrace->Cursor(1);
    const rec::TMeasurement &ms = FReader->Measurements()[FMeasurement];
    const rec::TScale &scale = ms.SectionCount
                                   ? FReader->Sections()[FReader->SectionAt(FMeasurement, at)].Scale
                                   : ms.ScaleAtStart;
    for (int c = 0; c < 2; ++c)
        volts[c] = scale.ScaleKnown(c);
    FReadout->Show(has, r, volts);
}

QString TViewerWindowVexaRM::StatusText() const {
    return FStatus->text();
}

void TViewerWindowVexaRM::UpdateStatus() {
    QStringList parts;
    if (!FFile) {
        parts << tr("No file open");
    } else {
        parts << QStringLiteral("%1 (%2)").arg(QFileInfo(Q(FFile->Path())).fileName(),
                                               Q(FormatBytes(FFile->Bytes())));
        if (FReader) {
            const auto n = FReader->Measurements().size();
            parts << tr("%n measurement(s)", nullptr, static_cast<int>(n)) +
                         (FPartial ? tr(" so far") : QString());
        }
        if (FIndexJob)
            parts << (FIndexJob->Extending() ? tr("extending the index\u2026")
                                             : tr("building the index\u2026"));
        else if (!FIndexNote.isEmpty())
            parts << FIndexNote;
        if (FFollowAction->isChecked()) parts << tr("following");
    }
    FStatus->setText(parts.join(QStringLiteral("  \u00b7  ")));
    const size_t problems = FReader ? FReader->Problems().size() : 0;
    FProblems->setVisible(problems > 0);
    FProblems->setText(tr("%n problem(s) in the file", nullptr, static_cast<int>(problems)));
}

void TViewerWindowVexaRM::ShowProblems() {
    if (!FReader) return;
    const auto problems = FReader->Problems();
    if (problems.empty()) {
        QMessageBox::information(this, tr("Problems"),
                                 tr("The file is a whole, well-formed stream."));
        return;
    }
    QStringList lines;
    for (size_t i = 0; i < problems.size() && i < kProblemsShown; ++i)
        lines << Q(problems[i].Text());
    if (problems.size() > kProblemsShown)
        lines << tr("\u2026 and %1 more").arg(problems.size() - kProblemsShown);
    QMessageBox box(QMessageBox::Warning, tr("Problems"),
                    tr("%n problem(s) in the file; everything readable is shown.", nullptr,
                       static_cast<int>(problems.size())),
                    QMessageBox::Ok, this);
    box.setDetailedText(lines.join(QLatin1Char('\n')));
    box.setInformativeText(lines.mid(0, 5).join(QLatin1Char('\n')));
    box.exec();
}

// ---- Search ----------------------------------------------------------------------

void TViewerWindowVexaRM::Search(bool forward) {
    if (!FReader || FMeasurement >= FReader->Measurements().size()) return;
    const TSearchQuery q = FSearch->Query();
    const TTimeNs from = FTrace->HasCursor(0) ? FTrace->Cursor(0)
                                              : FTrace->Span().From() + FTrace->Span().Width() / 2;
    QElapsedTimer clock;
    clock.start();
    TTimeNs found = 0;
    const bool ok = TSearchVexaRM::Find(*FReader, FMeasurement, from, forward, q, &found);
    const double ms = clock.nsecsElapsed() / 1e6;
    if (!ok) {
        statusBar()->showMessage(tr("Nothing found %1 (searched in %2 ms)")
                                     .arg(forward ? tr("after") : tr("before"))
                                     .arg(ms, 0, 'f', 1),
                                 5000);
        return;
    }
    FTrace->SetCursor(0, found);
    if (found < FTrace->Span().From() || found >= FTrace->Span().To()) FTrace->CentreOn(found);
    statusBar()->showMessage(
        tr("Found at %1 (searched in %2 ms)").arg(Q(FormatTime(found))).arg(ms, 0, 'f', 1), 5000);
}

// ---- Export ----------------------------------------------------------------------

void TViewerWindowVexaRM::ExportDialog() {
    if (!FReader || FExportJob) return;
    QSettings settings;
    const QFileInfo record(Q(FFile->Path()));
    const QString folder =
        settings.value(QStringLiteral("exportFolder"), record.absolutePath()).toString();
    const QString suggested = QDir(folder).filePath(
        QStringLiteral("%1-%2.csv").arg(record.completeBaseName()).arg(FMeasurement + 1));
    const bool both = FTrace->HasCursor(0) && FTrace->HasCursor(1);
    TExportDialogVexaRM dialog(this, both, suggested);
    if (dialog.exec() != QDialog::Accepted) return;
    const QString path = QFileInfo(dialog.Path()).absoluteFilePath();
    TTimeNs from = 0, to = INT64_MAX;
    switch (dialog.Which()) {
    case TExportDialogVexaRM::Span::Cursors:
        TCursorReadoutVexaRM::Span(FTrace->Cursor(0), FTrace->Cursor(1), &from, &to);
        break;
    case TExportDialogVexaRM::Span::Visible:
        from = FTrace->Span().From();
        to = FTrace->Span().To();
        break;
    case TExportDialogVexaRM::Span::Whole:
        break;
    }
    if (QFileInfo::exists(path) &&
        QMessageBox::question(this, tr("Export"), tr("%1 exists. Replace it?").arg(path)) !=
            QMessageBox::Yes)
        return;
    settings.setValue(QStringLiteral("exportFolder"), QFileInfo(path).absolutePath());
    StartExport(path, dialog.Format(), dialog.Decimate(), from, to);
}

void TViewerWindowVexaRM::StartExport(const QString &path, rec::ExportFormat format,
                                      uint64_t decimate, TTimeNs from, TTimeNs to) {
    if (!FReader || FExportJob) return;
    rec::TExportOptions options;
    options.Format = format;
    options.Measurement = FMeasurement;
    options.From = from;
    options.To = to;
    options.Decimate = decimate;
    FExportPath = path;
    FExportJob = std::make_unique<TExportJobVexaRM>(FReader, QFile::encodeName(path).toStdString(),
                                                    std::move(options));
    connect(FExportJob.get(), &TExportJobVexaRM::Finished, this,
            &TViewerWindowVexaRM::ExportFinished);
    FExportProgress =
        new QProgressDialog(tr("Exporting to %1\u2026").arg(QFileInfo(path).fileName()),
                            tr("Cancel"), 0, kProgressSteps, this);
    FExportProgress->setWindowTitle(tr("Export"));
    FExportProgress->setWindowModality(Qt::WindowModal);
    FExportProgress->setMinimumDuration(400);
    FExportProgress->setAutoClose(false);
    FExportProgress->setAutoReset(false);
    connect(FExportProgress, &QProgressDialog::canceled, this, [this] {
        if (FExportJob) FExportJob->Cancel();
    });
    FProgressTimer->start();
}

void TViewerWindowVexaRM::ExportFinished() {
    if (!FExportJob) return;
    const rec::TExportResult r = FExportJob->Result();
    TExportJobVexaRM *job = FExportJob.release();
    job->setParent(this);
    job->deleteLater();
    delete FExportProgress;
    QString text;
    if (r.Ok) {
        text = tr("Exported %1 periods to %2 (%3)")
                   .arg(r.Periods)
                   .arg(QFileInfo(FExportPath).fileName(), Q(FormatBytes(r.Bytes)));
        statusBar()->showMessage(text, 10000);
    } else if (r.Cancelled) {
        text = tr("Export cancelled; nothing was kept");
        statusBar()->showMessage(text, 10000);
    } else {
        text = tr("The export failed.\n%1").arg(Q(r.Error));
        ShowMessage(text);
    }
    emit ExportEnded(r.Ok, text);
}

// ---- Help, window ---------------------------------------------------------------

void TViewerWindowVexaRM::HelpIndex() {
    const QDir here(QCoreApplication::applicationDirPath());
    for (const QString &candidate : {here.filePath(QStringLiteral("Help/help.htm")),
                                     QDir(here.filePath(QString::fromUtf8(kInstalledDataFolder)))
                                         .filePath(QStringLiteral("Help/help.htm"))}) {
        if (!QFileInfo::exists(candidate)) continue;
        QUrl url = QUrl::fromLocalFile(QDir::cleanPath(QFileInfo(candidate).absoluteFilePath()));
        url.setFragment(QStringLiteral("viewer"));
        if (!QDesktopServices::openUrl(url))
            ShowMessage(tr("No browser could show the help page %1.").arg(candidate));
        return;
    }
    ShowMessage(tr("The help page Help/help.htm was not found beside the viewer."));
}

void TViewerWindowVexaRM::closeEvent(QCloseEvent *event) {
    QSettings settings;
    settings.setValue(QStringLiteral("geometry"), saveGeometry());
    settings.setValue(QStringLiteral("state"), saveState());
    CloseFile();
    event->accept();
}

void TViewerWindowVexaRM::dragEnterEvent(QDragEnterEvent *event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.first().isLocalFile()) event->acceptProposedAction();
}

void TViewerWindowVexaRM::dropEvent(QDropEvent *event) {
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile()) return;
    event->acceptProposedAction();
    OpenFile(urls.first().toLocalFile());
}

} // namespace vexa::view
