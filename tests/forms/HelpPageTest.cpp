// The help page beside the program: its links resolve, and it names what
// the program really offers (menu entries, keys, display section).
#include "forms/FrontPanelVexaRM.h"
#include "forms/MainForm.h"
#include "tests/support/TestSupport.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace vexa;

namespace {

QString HelpPage() {
    QFile f(QDir(QString::fromStdString(test::BinDir())).filePath("Help/help.htm"));
    if (!f.open(QIODevice::ReadOnly)) return QString();
    return QString::fromUtf8(f.readAll());
}

} // namespace

TEST(HelpPage, LinksResolveAndThePageNamesTheMenusKeysAndDisplay) {
    const QString page = HelpPage();
    ASSERT_FALSE(page.isEmpty());

    // Every link inside the page leads to a section of it.
    const QRegularExpression link(QStringLiteral("href=\"#([^\"]+)\""));
    int links = 0;
    for (auto it = link.globalMatch(page); it.hasNext(); ++links) {
        const QString id = it.next().captured(1);
        EXPECT_TRUE(page.contains(QStringLiteral("id=\"%1\"").arg(id))) << id.toStdString();
    }
    EXPECT_GT(links, 10);

    // A section explains the display, its lines and lamps.
    EXPECT_TRUE(page.contains(QStringLiteral("<h2 id=\"display\">Reading the display</h2>")));

    // The keys that start and stop a measurement.
    for (Qt::Key key : {TFrontPanelVexaRM::kStartKey, TFrontPanelVexaRM::kStopKey})
        EXPECT_TRUE(page.contains("<kbd>" + QKeySequence(key).toString() + "</kbd>"))
            << QKeySequence(key).toString().toStdString();

    // Every menu entry, as the menu shows it.
    TMainForm form;
    for (QAction *menu : form.menuBar()->actions())
        for (QAction *entry : menu->menu()->actions()) {
            if (entry->isSeparator()) continue;
            const QString shown = entry->text().remove(QLatin1Char('&'));
            EXPECT_TRUE(page.contains(shown)) << shown.toStdString();
        }
}
