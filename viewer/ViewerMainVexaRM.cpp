// The viewer PreviewVexaRM: PreviewVexaRM [record file]
#include "ViewerWindowVexaRM.h"

#include <QApplication>
#include <QLocale>

#include <clocale>

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("PreviewVexaRM"));
    QApplication::setOrganizationName(QStringLiteral("Korvel"));
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
