// The viewer PreviewVexaRM: PreviewVexaRM [record file]
#include "common/InstallLayoutVexaRM.h"
#include "ViewerWindowVexaRM.h"

#include <QApplication>
#include <QIcon>
#include <QLocale>

#include <clocale>
#include <malloc.h>

int main(int argc, char **argv) {
    // The summary index of a long recording is built in chunks of a few MiB
    // on a worker thread; a fixed threshold keeps every chunk in a mapping of
    // its own, given back to the system when it is freed (glibc would
    // otherwise raise the threshold and keep freed chunks in its heap).
    mallopt(M_MMAP_THRESHOLD, 512 * 1024);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PreviewVexaRM"));
    QApplication::setOrganizationName(QStringLiteral("Korvel"));
    // The desktop entry and icon of an installed copy (none in the build tree).
    QApplication::setDesktopFileName(QString::fromUtf8(vexa::kViewerDesktopId));
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromUtf8(vexa::kProgramDesktopId)));
    // Numbers are shown with "." as the decimal separator, as in the program.
    std::setlocale(LC_NUMERIC, "C");
    QLocale::setDefault(QLocale::c());
    vexa::view::TViewerWindowVexaRM window;
    const QStringList args = QApplication::arguments();
    // The file is opened before the window shows, so the first frame has it.
    if (args.size() > 1) window.OpenFile(args.at(1));
    window.show();
    return app.exec();
}
