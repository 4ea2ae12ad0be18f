// SPDX-License-Identifier: MIT
// Every menu command on the real window with a real watched scratch directory. Modal boxes and the folder
// browser are answered through our seams; changes made while they are "open" are served the way a nested
// modal loop serves them.

#include "app/Exception.h"
#include "app/globals.h"
#include "tests/support/TempDir.h"
#include "ui/Application.h"
#include "ui/LogModel.h"
#include "ui/Main.h"
#include "ui/MessageBoxes.h"
#include "ui/ShellServices.h"
#include "watch/MainThreadQueue.h"
#include "watch/TThread.h"

#include <QAction>
#include <QApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QTreeView>
#include <QtTest>

#include <filesystem>

using namespace tervane;
namespace fs = std::filesystem;

// Receives what the desktop would be asked to open.
class LinkCatcher : public QObject
{
    Q_OBJECT
public:
    QStringList seen;
public slots:
    void open(const QUrl& url) { seen.append(url.toString()); }
};

class TestCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<test::TempDir> m_dir;
    std::unique_ptr<test::TempDir> m_other;
    std::unique_ptr<Twnd_rv_Main> m_window;
    std::vector<BoxRequest> m_boxes;
    std::function<BoxResult(const BoxRequest&)> m_answer;
    std::function<std::optional<std::string>(const std::string&)> m_browser;
    std::vector<std::string> m_browserInitial;
    std::function<void()> m_beforeActivate;

    Twnd_rv_Main& w() { return *m_window; }
    LogModel& log() { return *w().Log(); }

    bool pump(const std::function<bool()>& done, int ms = 10000)
    {
        QDeadlineTimer deadline(ms);
        while (!done()) {
            if (deadline.hasExpired()) {
                return false;
            }
            CheckSynchronize(std::chrono::milliseconds(5));
            QCoreApplication::processEvents();
        }
        return true;
    }
    // Serves hand-offs for a moment: for checks that something does NOT arrive.
    void settle()
    {
        pump([] { return false; }, 300);
    }

    bool logged(const QString& action, const QString& name)
    {
        log().flush();
        for (int r = 0; r < log().rowCount(); ++r) {
            if (log().data(log().index(r, 1)).toString() == action &&
                log().data(log().index(r, 2)).toString() == name) {
                return true;
            }
        }
        return false;
    }
    bool waitLogged(const QString& action, const QString& name)
    {
        return pump([&] { return logged(action, name); });
    }
    QAction* item(const char* name) { return w().findChild<QAction*>(QString::fromLatin1(name)); }
    // A click on a menu item: auto-check items toggle their mark first, as the menu does.
    void click(const char* name) { item(name)->trigger(); }

private slots:
    void initTestCase() { installShellServices(); }

    void init()
    {
        m_boxes.clear();
        m_answer = [](const BoxRequest&) { return BoxResult::Ok; };
        setMessageBoxHandler([this](const BoxRequest& r) {
            m_boxes.push_back(r);
            return m_answer(r);
        });
        SetApplicationTitle(QStringLiteral("Demo"));
        m_dir = std::make_unique<test::TempDir>();
        m_other = std::make_unique<test::TempDir>();
        m_browser = [](const std::string&) { return std::nullopt; };
        m_browserInitial.clear();
        m_beforeActivate = nullptr;
        Twnd_rv_Main::Hooks hooks;
        hooks.directory = m_dir->str();
        hooks.browseForFolder = [this](QWidget*, const QString& title, const std::string& initial) {
            if (title != QStringLiteral("Select directory to watch")) {
                return std::optional<std::string>();
            }
            m_browserInitial.push_back(initial);
            return m_browser(initial);
        };
        hooks.beforeActivate = [this] {
            if (m_beforeActivate) {
                m_beforeActivate();
            }
        };
        m_window = std::make_unique<Twnd_rv_Main>(nullptr, hooks);
        QVERIFY(w().DiskMon()->Active());
    }
    void cleanup()
    {
        m_window.reset();
        m_dir.reset();
        m_other.reset();
        setMessageBoxHandler({});
        WaitForThreads();
    }

    void activeToggles()
    {
        click("mmActive");
        QVERIFY(!w().DiskMon()->Active());
        m_dir->write("while-off");
        settle();
        QVERIFY(!logged("Add", "while-off"));
        click("mmActive");
        QVERIFY(w().DiskMon()->Active());
        m_dir->write("while-on");
        QVERIFY(waitLogged("Add", "while-on"));
    }

    void toggleRaisingShowsErrorAndLeavesTheWatchOff()
    {
        click("mmActive");
        m_beforeActivate = [] { throw Exception("Thread could not be released"); };
        click("mmActive");
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Error"));
        QCOMPARE(m_boxes[0].text, QStringLiteral("Thread could not be released"));
        QVERIFY(!w().DiskMon()->Active());
    }

    void restartRaisingKeepsTheNewSetting()
    {
        m_beforeActivate = [] { throw Exception("no worker"); };
        w().Modify1->setChecked(false);
        w().cmAction(w().Modify1);
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].text, QStringLiteral("no worker"));
        QVERIFY(!w().DiskMon()->Active());
        QVERIFY(!w().DiskMon()->WatchAction().contains(TWatchAction::waModify));
    }

    void otherFailuresAreReportedAsHandlerErrors()
    {
        m_beforeActivate = [] { throw std::runtime_error("not ours"); };
        click("mmActive"); // off
        click("mmActive"); // the runtime_error escapes the command and is reported with the title
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Demo"));
        QCOMPARE(m_boxes[0].text, QStringLiteral("not ours."));
    }

    void setDirectoryMovesTheWatchAndTheCaption_data()
    {
        QTest::addColumn<bool>("running");
        QTest::addColumn<bool>("same");
        QTest::newRow("running, new directory") << true << false;
        QTest::newRow("running, same directory") << true << true;
        QTest::newRow("stopped, new directory") << false << false;
    }
    void setDirectoryMovesTheWatchAndTheCaption()
    {
        QFETCH(bool, running);
        QFETCH(bool, same);
        if (!running) {
            click("mmActive");
        }
        const std::string target = same ? m_dir->str() : m_other->str();
        m_browser = [&](const std::string&) { return std::optional<std::string>(target); };
        click("mmSetdirectory");
        QCOMPARE(m_browserInitial, std::vector<std::string>{m_dir->str()});
        QCOMPARE(w().DiskMon()->Directory(), target);
        QCOMPARE(w().windowTitle(), QStringLiteral("Demo - [%1]").arg(QString::fromStdString(target)));
        QCOMPARE(w().DiskMon()->Active(), running);
        if (running) {
            test::TempDir& watched = same ? *m_dir : *m_other;
            watched.write("in-target");
            QVERIFY(waitLogged("Add", "in-target"));
        }
    }

    // Cancelling changes nothing, and the watch keeps logging while the browser is open.
    void cancelledBrowserNeverInterruptsTheWatch()
    {
        m_browser = [&](const std::string&) {
            m_dir->write("during-browser");
            pump([&] { return logged("Add", "during-browser"); });
            return std::optional<std::string>();
        };
        const QString caption = w().windowTitle();
        click("mmSetdirectory");
        QVERIFY(logged("Add", "during-browser"));
        QCOMPARE(w().windowTitle(), caption);
        QCOMPARE(w().DiskMon()->Directory(), m_dir->str());
        QVERIFY(w().DiskMon()->Active());
    }

    // The real folder browser: opened on the current directory when it exists, cancel gives nothing,
    // a confirmed directory comes back as its path.
    void realFolderBrowser_data()
    {
        QTest::addColumn<bool>("initialExists");
        QTest::addColumn<bool>("confirm");
        QTest::newRow("existing, cancelled") << true << false;
        QTest::newRow("existing, confirmed") << true << true;
        QTest::newRow("missing, confirmed") << false << true;
    }
    void realFolderBrowser()
    {
        QFETCH(bool, initialExists);
        QFETCH(bool, confirm);
        const std::string initial = initialExists ? m_dir->str() : m_dir->str() + "/missing";
        const fs::path chosen = m_other->mkdir("chosen");
        QString openedOn;
        QString title;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                return;
            }
            openedOn = dialog->directory().absolutePath();
            title = dialog->windowTitle();
            if (confirm) {
                dialog->setDirectory(QString::fromStdString(m_other->str()));
                dialog->selectFile(QStringLiteral("chosen"));
                QMetaObject::invokeMethod(dialog, "accept");
            } else {
                dialog->reject();
            }
        });
        const auto result = Twnd_rv_Main::BrowseForFolder(&w(), QStringLiteral("Select directory to watch"), initial);
        QCOMPARE(title, QStringLiteral("Select directory to watch"));
        QCOMPARE(openedOn == QString::fromStdString(m_dir->str()), initialExists);
        QCOMPARE(result.has_value(), confirm);
        if (confirm) {
            QCOMPARE(*result, chosen.string());
        }
    }

    void subtreeUncheckedWhileRunning()
    {
        m_dir->mkdir("sub");
        w().ApplicationEventsIdle(); // as at the first idle: the mark follows WatchSubtree
        click("mmWS");               // the item toggles itself off, then the command restarts without subdirectories
        QVERIFY(!w().DiskMon()->WatchSubtree());
        QVERIFY(w().DiskMon()->Active());
        m_dir->write("sub/deep");
        m_dir->write("top");
        QVERIFY(waitLogged("Add", "top"));
        settle();
        QVERIFY(!logged("Add", "deep"));
        w().ApplicationEventsIdle();
        QVERIFY(!w().mmWS->isChecked());
    }

    void actionsNarrowTheLog()
    {
        for (const char* name : {"Add1", "Remove1", "Modify1", "RenameOld1", "RenameNew1"}) {
            click(name);
        }
        QVERIFY(w().DiskMon()->WatchAction().empty());
        QVERIFY(w().DiskMon()->Active());
        QCOMPARE(w().DiskMon()->StallReason(), TQuorvel_DiskMonitor::Stall::None);
        m_dir->write("ignored");
        settle();
        QCOMPARE(log().totalRows(), size_t(0));
        click("Remove1");
        QCOMPARE(w().DiskMon()->WatchAction(), TWatchActionSet{TWatchAction::waRemove});
        m_dir->write("created");
        fs::remove(m_dir->path() / "created");
        QVERIFY(waitLogged("Remove", "created"));
        QVERIFY(!logged("Add", "created"));
    }

    // An empty notification filter stalls the watch: Active stays checked, nothing is logged, and the
    // window says why; checking any kind again restarts it and the notice goes.
    void emptyFilterIsStalledAndSaysSo()
    {
        for (const char* name : {"Filename1", "Directoryname1", "Attributes1", "Size1", "Lastwrite1", "Lastaccess1",
                                 "Creation1", "Security1"}) {
            click(name);
        }
        QVERIFY(w().DiskMon()->WatchFilter().empty());
        QVERIFY(w().DiskMon()->Active());
        QVERIFY(m_boxes.empty());
        w().ApplicationEventsIdle();
        QVERIFY(w().mmActive->isChecked());
        QCOMPARE(w().FWatchHealth->text(), QStringLiteral("Not watching: no notification kind selected"));
        QVERIFY(!w().FWatchHealth->isHidden());
        m_dir->write("unseen");
        settle();
        QVERIFY(!logged("Add", "unseen"));

        click("Filename1");
        QCOMPARE(w().DiskMon()->WatchFilter(), TWatchFilterSet{TWatchFilter::wfFilename});
        QCOMPARE(w().FWatchHealth->text(), QString());
        m_dir->write("seen");
        QVERIFY(waitLogged("Add", "seen"));
    }

    void missingDirectoryIsShownWithTheSystemsReason()
    {
        const std::string missing = m_other->str() + "/nope";
        m_browser = [&](const std::string&) { return std::optional<std::string>(missing); };
        click("mmSetdirectory");
        QVERIFY(w().DiskMon()->Active());
        QVERIFY2(w().FWatchHealth->text().contains(QStringLiteral("No such file or directory")),
                 qPrintable(w().FWatchHealth->text()));
        m_browser = [&](const std::string&) { return std::optional<std::string>(m_dir->str()); };
        click("mmSetdirectory");
        QCOMPARE(w().FWatchHealth->text(), QString());
    }

    void watchedDirectoryGoneIsShown()
    {
        const fs::path watched = m_other->mkdir("watched");
        m_browser = [&](const std::string&) { return std::optional<std::string>(watched.string()); };
        click("mmSetdirectory");
        fs::remove_all(watched);
        QVERIFY(pump([&] { return w().FWatchHealth->text().contains(QStringLiteral("gone")); }));
        QVERIFY(w().DiskMon()->Active());
    }

    void clearLog_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("withRows");
        QTest::addColumn<bool>("cleared");
        QTest::newRow("yes") << int(BoxResult::Yes) << true << true;
        QTest::newRow("no") << int(BoxResult::No) << true << false;
        QTest::newRow("empty list, yes") << int(BoxResult::Yes) << false << true;
    }
    void clearLog()
    {
        QFETCH(int, answer);
        QFETCH(bool, withRows);
        QFETCH(bool, cleared);
        if (withRows) {
            m_dir->write("before");
            QVERIFY(waitLogged("Add", "before"));
        }
        const size_t rowsBefore = log().totalRows();
        const QString statusBefore = w().FStatusPanel->text();
        m_answer = [&](const BoxRequest& r) {
            // Rows keep arriving while the question is open.
            m_dir->write("during-question");
            pump([&] { return logged("Add", "during-question"); });
            return r.caption == QStringLiteral("Confirm") ? BoxResult(answer) : BoxResult::Ok;
        };
        click("Clearlog1");
        QCOMPARE(m_boxes.size(), size_t(1));
        QCOMPARE(m_boxes[0].caption, QStringLiteral("Confirm"));
        QCOMPARE(m_boxes[0].text, QStringLiteral("Clear log?"));
        QCOMPARE(m_boxes[0].buttons, BoxButtons::YesNo);
        QCOMPARE(m_boxes[0].icon, BoxIcon::Question);
        if (cleared) {
            QCOMPARE(log().totalRows(), size_t(0));
            QCOMPARE(w().FStatusPanel->text(), QStringLiteral("Event count: 0"));
            m_dir->write("after");
            QVERIFY(waitLogged("Add", "after"));
            QCOMPARE(w().FStatusPanel->text(), QStringLiteral("Event count: %1").arg(log().totalRows()));
        } else {
            QVERIFY(log().totalRows() > rowsBefore);
            QVERIFY(w().FStatusPanel->text() != statusBefore || rowsBefore == 0);
        }
    }

    void exitClosesTheWindow()
    {
        w().show();
        QVERIFY(QTest::qWaitForWindowExposed(&w()));
        click("mmExit");
        QVERIFY(!w().isVisible());
    }

    // The help items hand their links to the desktop, empty ones included, without a message.
    void helpItemsOpenTheirLinks()
    {
        GlobalVars.HelpContentLink = "tervane-test:content";
        GlobalVars.HelpHowTosTutorialVideosLink = "tervane-test:howto";
        GlobalVars.HelpHomePageLink = "tervane-test:home";
        GlobalVars.HelpMoreFreeToolsLink = "tervane-test:tools";
        GlobalVars.HelpCheckForUpdatesLink = "";
        GlobalVars.HelpSupportLink = "tervane-test:support";
        LinkCatcher catcher;
        QStringList& opened = catcher.seen;
        QDesktopServices::setUrlHandler(QStringLiteral("tervane-test"), &catcher, "open");
        for (const char* name : {"HelpContent1", "HowTosTutorialVideos1", "HomePage1", "MoreFreeTools1",
                                 "CheckforUpdates1", "ContactTechnicalSupport1"}) {
            click(name);
        }
        QDesktopServices::unsetUrlHandler(QStringLiteral("tervane-test"));
        QCOMPARE(opened, QStringList({"tervane-test:content", "tervane-test:howto", "tervane-test:home",
                                      "tervane-test:tools", "tervane-test:support"}));
        QVERIFY(m_boxes.empty());
        GlobalVars = TGlobalVars{};
    }
};

QTEST_MAIN(TestCommands)
#include "TestCommands.moc"
