// SPDX-License-Identifier: MIT
// The real main window on the offscreen platform: its layout, menus, legend, live state and the log it
// makes from real changes in a scratch directory.

#include "tests/support/TempDir.h"
#include "ui/AccessKeys.h"
#include "ui/Application.h"
#include "ui/LogModel.h"
#include "ui/Main.h"
#include "ui/MessageBoxes.h"
#include "watch/MainThreadQueue.h"
#include "watch/TThread.h"

#include <QAction>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStyleOptionViewItem>
#include <QTreeView>
#include <QtTest>

#include <filesystem>
#include <fstream>

using namespace tervane;
namespace fs = std::filesystem;

namespace {

/// What a user reads: single "&" markers gone, "&&" shown as one ampersand.
QString shown(QString text)
{
    QString out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            ++i;
            if (i >= text.size()) {
                break;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TempDir> m_dir;
    std::unique_ptr<Twnd_rv_Main> m_window;
    std::vector<BoxRequest> m_boxes;

    Twnd_rv_Main& window() { return *m_window; }

    // Serve hand-offs until `done` holds; the window makes rows from them.
    bool pump(const std::function<bool()>& done)
    {
        QDeadlineTimer deadline(10000);
        while (!done()) {
            if (deadline.hasExpired()) {
                return false;
            }
            CheckSynchronize(std::chrono::milliseconds(5));
            QCoreApplication::processEvents();
        }
        return true;
    }
    bool pumpRows(int n)
    {
        const bool ok = pump([&] { return int(window().Log()->totalRows()) >= n; });
        window().Log()->flush();
        return ok;
    }
    void selectRow(int row)
    {
        if (row < 0) {
            window().List->clearSelection();
            return;
        }
        window().List->setCurrentIndex(window().Log()->index(row, 0));
    }

private slots:
    void init()
    {
        m_boxes.clear();
        setMessageBoxHandler([this](const BoxRequest& r) {
            m_boxes.push_back(r);
            return BoxResult::Ok;
        });
        SetApplicationTitle(QStringLiteral("Demo"));
        m_dir = std::make_unique<test::TempDir>();
        Twnd_rv_Main::Hooks hooks;
        hooks.directory = m_dir->str();
        m_window = std::make_unique<Twnd_rv_Main>(nullptr, hooks);
    }
    void cleanup()
    {
        m_window.reset();
        m_dir.reset();
        setMessageBoxHandler({});
        WaitForThreads();
    }

    void creationWatchesAndCaptions()
    {
        QVERIFY(window().DiskMon()->Active());
        QCOMPARE(window().windowTitle(), QStringLiteral("Demo - [%1]").arg(QString::fromStdString(m_dir->str())));
        QVERIFY(m_boxes.empty());
        QCOMPARE(window().FStatusPanel->text(), QString());
    }

    void creationFailureShowsTheTitledBoxAndGoesOn()
    {
        Twnd_rv_Main::Hooks hooks;
        hooks.directory = m_dir->str();
        hooks.brandingFile = m_dir->str() + "/missing.dll";
        SetApplicationTitle(QStringLiteral("Demo"));
        Twnd_rv_Main broken(nullptr, hooks);
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Demo"));
        QCOMPARE(m_boxes[0].icon, BoxIcon::Stop);
        QVERIFY2(m_boxes[0].text.startsWith(
                     QStringLiteral("Cannot open file \"%1/missing.dll\". ").arg(QString::fromStdString(m_dir->str()))),
                 qPrintable(m_boxes[0].text));
        QVERIFY(m_boxes[0].text.endsWith(u'.'));
        QVERIFY(!broken.DiskMon()->Active()); // the rest of the creation is skipped
        QCOMPARE(broken.windowTitle(), QStringLiteral("Demo"));
    }

    void platformCheckFailureWarnsAndQuits()
    {
        Twnd_rv_Main::Hooks hooks;
        hooks.directory = m_dir->str();
        hooks.platformCheck = [] { return false; };
        QSignalSpy quitting(QCoreApplication::instance(), &QCoreApplication::aboutToQuit);
        Twnd_rv_Main refused(nullptr, hooks);
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Warning"));
        QCOMPARE(m_boxes[0].text, QStringLiteral("This application requires NT platform."));
        QCOMPARE(m_boxes[0].icon, BoxIcon::Warning);
        QVERIFY(!refused.DiskMon()->Active());
        QCOMPARE(refused.windowTitle(), QStringLiteral("Demo"));
    }

    void layoutFigures()
    {
        window().show();
        QVERIFY(QTest::qWaitForWindowExposed(&window()));
        QCOMPARE(window().centralWidget()->width(), 825);
        QCOMPARE(window().centralWidget()->height() + window().sb->height(), 469);
        QCOMPARE(window().Panel1->height(), 25);
        QCOMPARE(window().sb->height(), 22);
        QCOMPARE(window().List->height(), 422);
        QCOMPARE(window().List->y(), 0);
        QCOMPARE(window().Panel1->width(), window().width());
        QVERIFY(window().sb->isSizeGripEnabled());
        // The one status panel spans the bar at any width.
        for (int width : {825, 400, 1200}) {
            window().resize(width, window().height());
            QCoreApplication::processEvents();
            QVERIFY2(window().FStatusPanel->width() > window().sb->width() - 40,
                     qPrintable(QString::number(window().FStatusPanel->width())));
        }
    }

    void listColumns()
    {
        const QStringList captions{"Timestamp", "Action", "Name", "Location", "Size [B]", "Modified", "Attrs"};
        const int widths[] = {120, 100, 150, 150, 75, 120, 75};
        const QHeaderView* header = window().List->header();
        QCOMPARE(window().Log()->columnCount(), 7);
        for (int c = 0; c < 7; ++c) {
            QCOMPARE(window().Log()->headerData(c, Qt::Horizontal).toString(), captions[c]);
            QCOMPARE(header->sectionSize(c), widths[c]);
        }
        QVERIFY(header->sectionsMovable());
        QVERIFY(!header->sectionsClickable());
        QVERIFY(!window().List->isSortingEnabled());
        QCOMPARE(window().List->selectionMode(), QAbstractItemView::SingleSelection);
        QCOMPARE(window().List->selectionBehavior(), QAbstractItemView::SelectRows);
        QCOMPARE(window().List->editTriggers(), QAbstractItemView::NoEditTriggers);
    }

    void legend_data()
    {
        QTest::addColumn<QString>("swatch");
        QTest::addColumn<int>("swatchLeft");
        QTest::addColumn<QColor>("colour");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("labelLeft");
        QTest::addColumn<QString>("text");
        QTest::newRow("file") << "Panel2" << 9 << QColor(0, 0, 255) << "Label1" << 31 << "File";
        QTest::newRow("folder") << "Panel3" << 65 << QColor(0, 128, 0) << "Label2" << 87 << "Directory";
        QTest::newRow("removed") << "Panel4" << 152 << QColor(255, 0, 0) << "Label3" << 174 << "Removed entry";
    }
    void legend()
    {
        QFETCH(QString, swatch);
        QFETCH(int, swatchLeft);
        QFETCH(QColor, colour);
        QFETCH(QString, label);
        QFETCH(int, labelLeft);
        QFETCH(QString, text);
        auto* s = window().Panel1->findChild<QFrame*>(swatch);
        auto* l = window().Panel1->findChild<QLabel*>(label);
        QVERIFY(s && l);
        QCOMPARE(s->geometry(), QRect(swatchLeft, 6, 18, 13));
        QCOMPARE(s->palette().color(QPalette::Window), colour);
        QCOMPARE(s->frameShadow(), QFrame::Raised);
        QCOMPARE(s->lineWidth(), 1);
        QCOMPARE(l->pos(), QPoint(labelLeft, 6));
        QCOMPARE(l->text(), text);
    }

    void menuTable_data()
    {
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<bool>("autoCheck");
        QTest::addColumn<bool>("checked");
        QTest::addColumn<int>("tag");
        QTest::addColumn<QKeySequence>("shortcut");
        struct Row
        {
            const char* menu;
            const char* item;
            const char* caption;
            bool autoCheck;
            bool checked;
            int tag;
            QKeySequence shortcut;
        };
        const Row rows[] = {
            {"MainMenu", "File1", "File", false, false, 0, {}},
            {"File1", "mmActive", "Active", true, false, 0, {}},
            {"File1", "N1", "", false, false, 0, {}},
            {"File1", "mmSetdirectory", "Set directory...", false, false, 0, {}},
            {"File1", "Clearlog1", "Clear log", false, false, 0, {}},
            {"File1", "N3", "", false, false, 0, {}},
            {"File1", "mmProps", "Entry properties...", false, false, 0, {}},
            {"File1", "N2", "", false, false, 0, {}},
            {"File1", "mmExit", "Exit", false, false, 0, {}},
            {"MainMenu", "Filter1", "Filter", false, false, 0, {}},
            {"Filter1", "mmWS", "Watch Subtree", true, false, 0, {}},
            {"Filter1", "N4", "", false, false, 0, {}},
            {"Filter1", "Actions1", "Actions", false, false, 0, {}},
            {"Actions1", "Add1", "Add", true, true, 0, {}},
            {"Actions1", "Remove1", "Remove", true, true, 1, {}},
            {"Actions1", "Modify1", "Modify", true, true, 2, {}},
            {"Actions1", "RenameOld1", "Rename (Old)", true, true, 3, {}},
            {"Actions1", "RenameNew1", "Rename (New)", true, true, 4, {}},
            {"Filter1", "Notifications1", "Notifications", false, false, 0, {}},
            {"Notifications1", "Filename1", "File name", true, true, 0, {}},
            {"Notifications1", "Directoryname1", "Directory name", true, true, 1, {}},
            {"Notifications1", "Attributes1", "Attributes", true, true, 2, {}},
            {"Notifications1", "Size1", "Size", true, true, 3, {}},
            {"Notifications1", "Lastwrite1", "Last write", true, true, 4, {}},
            {"Notifications1", "Lastaccess1", "Last access", true, true, 5, {}},
            {"Notifications1", "Creation1", "Creation", true, true, 6, {}},
            {"Notifications1", "Security1", "Security", true, true, 7, {}},
            {"MainMenu", "Help1", "Help", false, false, 0, {}},
            {"Help1", "HelpContent1", "Help Content", false, false, 0, QKeySequence(Qt::Key_F1)},
            {"Help1", "HowTosTutorialVideos1", "How Tos & Tutorial Videos...", false, false, 0, {}},
            {"Help1", "N5", "", false, false, 0, {}},
            {"Help1", "HomePage1", "Home Page...", false, false, 0, {}},
            {"Help1", "MoreFreeTools1", "More Free Tools...", false, false, 0, {}},
            {"Help1", "N6", "", false, false, 0, {}},
            {"Help1", "CheckforUpdates1", "Check for Updates...", false, false, 0, {}},
            {"Help1", "ContactTechnicalSupport1", "Contact Technical Support...", false, false, 0, {}},
            {"Help1", "N7", "", false, false, 0, {}},
            {"Help1", "About1", "About...", false, false, 0, {}},
            {"PopupMenu", "pmProps", "Properties...", false, false, 0, {}},
        };
        for (const Row& r : rows) {
            QTest::newRow(r.item) << r.menu << r.item << r.caption << r.autoCheck << r.checked << r.tag << r.shortcut;
        }
    }
    // Every item in its menu, in order, with caption, check behaviour, initial mark, tag and shortcut.
    void menuTable()
    {
        QFETCH(QString, menu);
        QFETCH(QString, item);
        QFETCH(QString, caption);
        QFETCH(bool, autoCheck);
        QFETCH(bool, checked);
        QFETCH(int, tag);
        QFETCH(QKeySequence, shortcut);

        QList<QAction*> siblings =
            menu == "MainMenu" ? window().MainMenu->actions() : window().findChild<QMenu*>(menu)->actions();
        QAction* action = nullptr;
        for (QAction* a : siblings) {
            if (a->objectName() == item) {
                action = a;
            }
        }
        QVERIFY2(action, qPrintable(item + " is not in " + menu));
        if (caption.isEmpty()) {
            QVERIFY(action->isSeparator());
            return;
        }
        QCOMPARE(shown(action->text()), caption);
        QCOMPARE(action->isCheckable(), autoCheck);
        QCOMPARE(action->isChecked(), checked);
        QCOMPARE(action->data().toInt(), tag);
        QCOMPARE(action->shortcut(), shortcut);
    }

    void menuOrder()
    {
        QStringList names;
        for (QAction* a : window().File1->actions()) {
            names << a->objectName();
        }
        QCOMPARE(names,
                 QStringList({"mmActive", "N1", "mmSetdirectory", "Clearlog1", "N3", "mmProps", "N2", "mmExit"}));
        names.clear();
        for (QAction* a : window().MainMenu->actions()) {
            names << a->objectName();
        }
        QCOMPARE(names, QStringList({"File1", "Filter1", "Help1"}));
    }

    void accessKeys_data()
    {
        QTest::addColumn<QStringList>("captions");
        QTest::addColumn<QStringList>("keyed");
        QTest::newRow("first free letter")
            << QStringList{"File", "Filter", "Help"} << QStringList{"&File", "F&ilter", "&Help"};
        QTest::newRow("case-insensitive clash") << QStringList{"add", "Active"} << QStringList{"&add", "A&ctive"};
        QTest::newRow("separators skipped") << QStringList{"Exit", "-", "Edit"} << QStringList{"&Exit", "-", "E&dit"};
        QTest::newRow("literal ampersand is no key") << QStringList{"H", "&&Tools"} << QStringList{"&H", "&&&Tools"};
        QTest::newRow("digits count") << QStringList{"a1", "a"} << QStringList{"&a1", "a"};
        QTest::newRow("digit chosen") << QStringList{"ab", "ab2"} << QStringList{"&ab", "a&b2"};
        QTest::newRow("punctuation skipped") << QStringList{"...x"} << QStringList{"...&x"};
        QTest::newRow("no free key") << QStringList{"ab", "ba", "ab"} << QStringList{"&ab", "&ba", "ab"};
    }
    void accessKeys()
    {
        QFETCH(QStringList, captions);
        QFETCH(QStringList, keyed);
        QCOMPARE(withAccessKeys(captions), keyed);
    }

    void menuAccessKeysAreUniqueAmongSiblings()
    {
        for (QMenu* menu : window().findChildren<QMenu*>()) {
            QSet<QChar> keys;
            for (QAction* a : menu->actions()) {
                const QString t = a->text();
                for (qsizetype i = 0; i + 1 < t.size(); ++i) {
                    if (t[i] == u'&' && t[i + 1] != u'&') {
                        QVERIFY2(!keys.contains(t[i + 1].toUpper()), qPrintable(menu->objectName() + ": " + t));
                        keys.insert(t[i + 1].toUpper());
                        break;
                    }
                    if (t[i] == u'&') {
                        ++i;
                    }
                }
            }
        }
    }

    // Live changes become rows, newest first, coloured by kind, counted in the status bar.
    void liveChangesBecomeRows()
    {
        m_dir->write("a.txt", "hello");
        QVERIFY(pumpRows(1));
        m_dir->mkdir("folder");
        QVERIFY(pumpRows(2));
        fs::remove(m_dir->path() / "a.txt");
        QVERIFY(pump([&] {
            for (int r = 0; r < int(window().Log()->totalRows()); ++r) {
                window().Log()->flush();
                if (window().Log()->data(window().Log()->index(r, 1)).toString() == "Remove") {
                    return true;
                }
            }
            return false;
        }));
        window().Log()->flush();
        LogModel& log = *window().Log();
        const int n = log.rowCount();
        QCOMPARE(window().FStatusPanel->text(), QStringLiteral("Event count: %1").arg(n));
        // Newest first: the removal is above the folder, which is above the file's addition.
        auto rowOf = [&](const QString& action, const QString& name) {
            for (int r = 0; r < n; ++r) {
                if (log.data(log.index(r, 1)).toString() == action && log.data(log.index(r, 2)).toString() == name) {
                    return r;
                }
            }
            return -1;
        };
        const int added = rowOf("Add", "a.txt");
        const int folder = rowOf("Add", "folder");
        const int removed = rowOf("Remove", "a.txt");
        QVERIFY(added >= 0 && folder >= 0 && removed >= 0);
        QVERIFY(removed < folder && folder < added);
        QCOMPARE(log.data(log.index(folder, 4)).toString(), QStringLiteral("Folder"));

        // The row colour comes from the kind alone, selected or not.
        for (int r : {added, folder, removed}) {
            for (bool select : {false, true}) {
                selectRow(select ? r : -1);
                QStyleOptionViewItem option;
                window().ListAdvancedCustomDrawItem(option, log.index(r, 3));
                QCOMPARE(
                    option.palette.color(QPalette::Text),
                    LogModel::kindColor(static_cast<EntryKind>(log.data(log.index(r, 0), LogModel::KindRole).toInt())));
            }
        }
    }

    // "Entry properties..." at idle and "Properties..." at popup follow the selected row's kind.
    void idleAndPopupEnabling()
    {
        m_dir->write("file.txt");
        QVERIFY(pumpRows(1));
        m_dir->mkdir("dir");
        QVERIFY(pumpRows(2));
        fs::remove(m_dir->path() / "file.txt");
        QVERIFY(pumpRows(3));
        LogModel& log = *window().Log();
        auto rowOfKind = [&](EntryKind kind) {
            for (int r = 0; r < log.rowCount(); ++r) {
                if (log.kindAt(r) == kind) {
                    return r;
                }
            }
            return -1;
        };
        struct Case
        {
            const char* what;
            int row;
            bool enabled;
        };
        const Case cases[] = {
            {"no row", -1, false},
            {"file", rowOfKind(EntryKind::File), true},
            {"folder", rowOfKind(EntryKind::Folder), true},
            {"removed", rowOfKind(EntryKind::Removed), false},
        };
        for (const Case& c : cases) {
            QVERIFY2(c.row >= 0 || std::string(c.what) == "no row", c.what);
            selectRow(c.row);
            window().ApplicationEventsIdle();
            window().PopupMenuPopup();
            QVERIFY2(window().mmProps->isEnabled() == c.enabled, c.what);
            QVERIFY2(window().pmProps->isEnabled() == c.enabled, c.what);
        }
    }

    // The first idle puts "Active" and "Watch Subtree" in step with the component.
    void idleRefreshFollowsTheComponent()
    {
        QVERIFY(!window().mmActive->isChecked());
        QVERIFY(!window().mmWS->isChecked());
        QEventLoop loop; // a real loop blocks once its queue runs empty, as the program's does
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
        QVERIFY(window().mmActive->isChecked());
        QVERIFY(window().mmWS->isChecked());
        window().mmActive->setChecked(false); // what a click's own toggle would do
        window().ApplicationEventsIdle();
        QVERIFY(window().mmActive->isChecked());
    }
};

QTEST_MAIN(TestMainWindow)
#include "TestMainWindow.moc"
