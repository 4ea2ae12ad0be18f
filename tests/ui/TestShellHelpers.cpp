// SPDX-License-Identifier: MIT
// The shell helpers with their Qt side installed: the busy cursor as Qt's override cursor, links through
// QDesktopServices, and entry properties asked of a file manager on a real private D-Bus daemon, with our
// own dialog where none answers.

#include "app/Branding.h"
#include "app/UtilFuncs.h"
#include "app/globals.h"
#include "tests/support/TempDir.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "ui/PropertiesDialog.h"
#include "ui/ShellServices.h"
#include "ui/ShowFileProperties.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusError>
#include <QDateTime>
#include <QDesktopServices>
#include <QLabel>
#include <QMutex>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>
#include <QtTest>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <utility>

using namespace tervane;
namespace fs = std::filesystem;

namespace {

const QString kFileManager = QStringLiteral("org.freedesktop.FileManager1");
const QString kFileManagerPath = QStringLiteral("/org/freedesktop/FileManager1");

// Stands in for a desktop file manager. Lives on its own thread: ShowFileProperties waits for the answer
// on the main thread, so a service served there could never reply.
class FakeFileManager : public QObject, protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.FileManager1")

public:
    QStringList takeUris()
    {
        const QMutexLocker lock(&m_mutex);
        return std::exchange(m_uris, {});
    }
    void setRefuse(bool refuse)
    {
        const QMutexLocker lock(&m_mutex);
        m_refuse = refuse;
    }

public slots:
    void ShowItemProperties(const QStringList& uris, const QString& /*startupId*/)
    {
        const QMutexLocker lock(&m_mutex);
        m_uris += uris;
        if (m_refuse) {
            sendErrorReply(QDBusError::Failed, QStringLiteral("cannot show that"));
        }
    }

private:
    QMutex m_mutex;
    QStringList m_uris;
    bool m_refuse = false;
};

// Records what reaches the desktop, by scheme, and what the busy section looked like meanwhile.
class LinkRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;
    QList<int> busyCounts;
    QList<bool> waitShown;

public slots:
    void open(const QUrl& url)
    {
        urls.append(url);
        busyCounts.append(BusyCount());
        waitShown.append(QGuiApplication::overrideCursor() != nullptr &&
                         QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor);
    }
};

int cursorShape()
{
    return QGuiApplication::overrideCursor() != nullptr ? QGuiApplication::overrideCursor()->shape() : -1;
}

QString fieldText(const QWidget* dialog, const char* name)
{
    const auto* label = dialog->findChild<QLabel*>(QString::fromLatin1(name));
    return label != nullptr ? label->text() : QStringLiteral("<no %1>").arg(QString::fromLatin1(name));
}

// A fixed local time, so the dialog's text can be known without restating how it formats.
constexpr const char* kFixedTime = "2001-02-03 04:05:06";

bool setFixedTimes(const fs::path& path)
{
    const QDateTime when =
        QDateTime::fromString(QString::fromLatin1(kFixedTime), QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    const std::array<timespec, 2> times{timespec{when.toSecsSinceEpoch(), 0}, timespec{when.toSecsSinceEpoch(), 0}};
    return ::utimensat(AT_FDCWD, path.c_str(), times.data(), AT_SYMLINK_NOFOLLOW) == 0;
}

} // namespace

class TestShellHelpers : public QObject
{
    Q_OBJECT

private:
    QList<BoxRequest> m_boxes;
    QProcess m_daemon;
    QString m_address;
    QThread m_serviceThread;
    FakeFileManager* m_service = nullptr;
    std::unique_ptr<test::TempDir> m_dir;

    [[nodiscard]] static QDBusConnection client() { return QDBusConnection(QStringLiteral("tervane-client")); }
    [[nodiscard]] static QDBusConnection serviceBus() { return QDBusConnection(QStringLiteral("tervane-service")); }
    void requireBus()
    {
        if (m_address.isEmpty()) {
            QSKIP("dbus-daemon is not available");
        }
    }
    void ownFileManagerName(bool own)
    {
        if (own) {
            QVERIFY(serviceBus().registerService(kFileManager));
        } else {
            serviceBus().unregisterService(kFileManager);
        }
        QCOMPARE(client().interface()->isServiceRegistered(kFileManager).value(), own);
    }
    QList<PropertiesDialog*> dialogsOf(const QWidget& owner) const { return owner.findChildren<PropertiesDialog*>(); }

private slots:
    void initTestCase()
    {
        SetApplicationTitle(QStringLiteral("Tervane test"));
        installShellServices();
        setMessageBoxHandler([this](const BoxRequest& box) {
            m_boxes.append(box);
            return BoxResult::Ok;
        });

        // A bus of our own with no service files, so nothing is started on demand and no real file
        // manager of this machine answers.
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            return;
        }
        m_dir = std::make_unique<test::TempDir>();
        const fs::path config =
            m_dir->write("bus.conf", "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                                     "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/"
                                     "busconfig.dtd\">\n"
                                     "<busconfig><type>session</type>"
                                     "<listen>unix:tmpdir=/tmp</listen><auth>EXTERNAL</auth>"
                                     "<policy context=\"default\"><allow send_destination=\"*\" eavesdrop=\"true\"/>"
                                     "<allow eavesdrop=\"true\"/><allow own=\"*\"/></policy></busconfig>\n");
        // Ends with us even when a failed test aborts the process.
        m_daemon.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
        m_daemon.start(daemon, {QStringLiteral("--config-file=%1").arg(QString::fromStdString(config.string())),
                                QStringLiteral("--print-address"), QStringLiteral("--nofork")});
        QVERIFY2(m_daemon.waitForStarted(), qPrintable(m_daemon.errorString()));
        QTRY_VERIFY_WITH_TIMEOUT(m_daemon.canReadLine() || m_daemon.state() == QProcess::NotRunning, 10000);
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY2(!m_address.isEmpty(), m_daemon.readAllStandardError().constData());

        QVERIFY(QDBusConnection::connectToBus(m_address, QStringLiteral("tervane-client")).isConnected());
        QVERIFY(QDBusConnection::connectToBus(m_address, QStringLiteral("tervane-service")).isConnected());
        m_service = new FakeFileManager;
        m_service->moveToThread(&m_serviceThread);
        m_serviceThread.start();
        QVERIFY(serviceBus().registerObject(kFileManagerPath, m_service, QDBusConnection::ExportAllSlots));
    }

    void cleanupTestCase()
    {
        if (m_service != nullptr) {
            serviceBus().unregisterObject(kFileManagerPath);
            QDBusConnection::disconnectFromBus(QStringLiteral("tervane-service"));
            QDBusConnection::disconnectFromBus(QStringLiteral("tervane-client"));
            m_serviceThread.quit();
            m_serviceThread.wait();
            delete m_service;
        }
        if (m_daemon.state() != QProcess::NotRunning) {
            m_daemon.terminate();
            m_daemon.waitForFinished();
        }
        setMessageBoxHandler({});
    }

    void init() { m_boxes.clear(); }

    void cleanup()
    {
        // A failed row must not leave its busy section or cursor to the next.
        while (BusyCount() > 0) {
            BusyCursorOff();
        }
        while (QGuiApplication::overrideCursor() != nullptr) {
            QGuiApplication::restoreOverrideCursor();
        }
        installShellServices();
    }

    void busySection_data()
    {
        QTest::addColumn<bool>("foreignCursor");
        QTest::addColumn<QStringList>("steps");
        QTest::addColumn<QList<int>>("counts");
        QTest::addColumn<QList<int>>("shapes"); // after each step; -1 is no override

        const int wait = Qt::WaitCursor;
        const int cross = Qt::CrossCursor;
        QTest::newRow("nested sections, only the outermost end restores")
            << false << QStringList{"on", "on", "off", "off"} << QList<int>{1, 2, 1, 0}
            << QList<int>{wait, wait, wait, -1};
        QTest::newRow("end at zero does nothing") << false << QStringList{"off"} << QList<int>{0} << QList<int>{-1};
        QTest::newRow("unmatched end after a section") << false << QStringList{"on", "off", "off", "on"}
                                                       << QList<int>{1, 0, 0, 1} << QList<int>{wait, -1, -1, wait};
        QTest::newRow("end at zero leaves someone else's cursor")
            << true << QStringList{"off"} << QList<int>{0} << QList<int>{cross};
        QTest::newRow("a section over someone else's cursor gives it back")
            << true << QStringList{"on", "on", "off", "off"} << QList<int>{1, 2, 1, 0}
            << QList<int>{wait, wait, wait, cross};
    }

    void busySection()
    {
        QFETCH(bool, foreignCursor);
        QFETCH(QStringList, steps);
        QFETCH(QList<int>, counts);
        QFETCH(QList<int>, shapes);
        if (foreignCursor) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::CrossCursor));
        }
        for (qsizetype i = 0; i < steps.size(); ++i) {
            if (steps.at(i) == QLatin1String("on")) {
                BusyCursorOn();
            } else {
                BusyCursorOff();
            }
            QCOMPARE(BusyCount(), counts.at(i));
            QCOMPARE(cursorShape(), shapes.at(i));
        }
    }

    void failingOpenerEndsTheSection()
    {
        setLinkOpener([](std::string_view) { throw std::runtime_error("no handler"); });
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, OpenLink("https://example.org/"));
        QCOMPARE(BusyCount(), 0);
        QCOMPARE(cursorShape(), -1);
    }

    void linkNobodyOpensIsSilent_data()
    {
        QTest::addColumn<QByteArray>("link");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("scheme nobody handles") << QByteArray("tervane-nobody-handles-this:thing");
    }

    void linkNobodyOpensIsSilent()
    {
        QFETCH(QByteArray, link);
        OpenLink(std::string_view(link.constData(), static_cast<std::size_t>(link.size())));
        QCOMPARE(m_boxes.size(), 0);
        QCOMPARE(BusyCount(), 0);
        QCOMPARE(cursorShape(), -1);
    }

    void linkReachesTheDesktop_data()
    {
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<QByteArray>("url");
        QTest::newRow("web address as written")
            << QByteArray("https://example.org/a%20b?q=1#top") << QByteArray("https://example.org/a%20b?q=1#top");
        QTest::newRow("path with space, hash and question mark")
            << QByteArray("/tmp/a b#c?d") << QByteArray("file:///tmp/a%20b%23c%3Fd");
        QTest::newRow("path with a byte that is not UTF-8")
            << QByteArray("/tmp/bad\xFF") << QByteArray("file:///tmp/bad%FF");
        QTest::newRow("file URL as written") << QByteArray("file:///tmp/x.html") << QByteArray("file:///tmp/x.html");
    }

    void linkReachesTheDesktop()
    {
        QFETCH(QByteArray, link);
        QFETCH(QByteArray, url);
        LinkRecorder recorder;
        for (const char* scheme : {"https", "file"}) {
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &recorder, "open");
        }
        OpenLink(std::string_view(link.constData(), static_cast<std::size_t>(link.size())));
        for (const char* scheme : {"https", "file"}) {
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
        }
        QCOMPARE(recorder.urls.size(), 1);
        QCOMPARE(recorder.urls.first().toEncoded(), url);
        QCOMPARE(recorder.busyCounts.first(), 1);
        QVERIFY(recorder.waitShown.first());
        QCOMPARE(BusyCount(), 0);
        QCOMPARE(cursorShape(), -1);
        QCOMPARE(m_boxes.size(), 0);
    }

    void builtBrandingLinksOpenLocalPages()
    {
        TGlobalVars record;
        ReadBrandingRecord(TERVANE_BUILT_BRANDING_FILE, record);
        for (const std::string* link :
             {&record.HelpContentLink, &record.HelpHowTosTutorialVideosLink, &record.HelpHomePageLink,
              &record.HelpMoreFreeToolsLink, &record.HelpCheckForUpdatesLink, &record.HelpSupportLink}) {
            const QUrl url = linkUrl(*link);
            QVERIFY2(url.isLocalFile(), link->c_str());
            QVERIFY2(QFileInfo(url.toLocalFile()).isFile(), link->c_str());
        }
    }

    void installedBrandingLinksNameTheInstalledPages()
    {
        // The folder an install chooses may hold anything a file name can.
        const test::TempDir dir;
        const fs::path help = dir.mkdir("help dir #1 \xC3\xA9");
        for (const char* page :
             {"index.html", "howto.html", "home.html", "tools.html", "updates.html", "support.html"}) {
            std::ofstream(help / page) << "<p>page</p>";
        }
        const fs::path branding = dir.path() / "bin" / "zezeruda.dll";
        QProcess cmake;
        cmake.start(QStringLiteral(TERVANE_CMAKE_COMMAND),
                    {QStringLiteral("-DTEMPLATE=" TERVANE_SOURCE_DIR "/app/branding.ini.in"),
                     QStringLiteral("-DVERSION=9.8.7"),
                     QStringLiteral("-DHELP_DIR=") + QString::fromStdString(help.string()),
                     QStringLiteral("-DOUTPUT=") + QString::fromStdString(branding.string()),
                     QStringLiteral("-DSCRAMBLER=" TERVANE_SCRAMBLER), QStringLiteral("-P"),
                     QStringLiteral(TERVANE_SOURCE_DIR "/cmake/WriteBranding.cmake")});
        QVERIFY(cmake.waitForFinished(60000));
        QVERIFY2(cmake.exitCode() == 0, cmake.readAllStandardError().constData());

        TGlobalVars record;
        ReadBrandingRecord(branding.string(), record);
        QCOMPARE(record.Version, std::string("9.8.7"));
        QCOMPARE(record.HelpHomePageLink.find(' '), std::string::npos);
        for (const std::string* link :
             {&record.HelpContentLink, &record.HelpHowTosTutorialVideosLink, &record.HelpHomePageLink,
              &record.HelpMoreFreeToolsLink, &record.HelpCheckForUpdatesLink, &record.HelpSupportLink}) {
            const QUrl url = QUrl::fromEncoded(QByteArray::fromStdString(*link), QUrl::StrictMode);
            QVERIFY2(url.isLocalFile(), link->c_str());
            QVERIFY2(fs::is_regular_file(fs::path(QFile::encodeName(url.toLocalFile()).toStdString())), link->c_str());
        }
    }

    void fileManagerGetsTheExactUri_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<bool>("folder");
        QTest::addColumn<QString>("encoded");
        QTest::newRow("space") << QByteArray("a b") << false << QStringLiteral("a%20b");
        QTest::newRow("hash and question mark") << QByteArray("x#y?z") << false << QStringLiteral("x%23y%3Fz");
        QTest::newRow("percent") << QByteArray("100%") << false << QStringLiteral("100%25");
        QTest::newRow("non-ASCII UTF-8") << QByteArray("\xC3\xA9t\xC3\xA9") << false << QStringLiteral("%C3%A9t%C3%A9");
        QTest::newRow("byte that is not UTF-8") << QByteArray("bad\xFF") << false << QStringLiteral("bad%FF");
        QTest::newRow("folder, no trailing delimiter") << QByteArray("dir one") << true << QStringLiteral("dir%20one");
    }

    void fileManagerGetsTheExactUri()
    {
        requireBus();
        QFETCH(QByteArray, name);
        QFETCH(bool, folder);
        QFETCH(QString, encoded);
        ownFileManagerName(true);
        const test::TempDir dir;
        // mkdtemp names are plain, so the folder's part of the URI is the path itself.
        QVERIFY(dir.str().find_first_not_of("/-_.~abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789") ==
                std::string::npos);
        const fs::path entry = folder ? dir.mkdir(name.toStdString()) : dir.write(name.toStdString(), "x");

        QWidget owner;
        QVERIFY(ShowFileProperties(&owner, entry.string(), client()));
        QCOMPARE(m_service->takeUris(),
                 QStringList{QStringLiteral("file://%1/%2").arg(QString::fromStdString(dir.str()), encoded)});
        QVERIFY(dialogsOf(owner).isEmpty());
        QCOMPARE(m_boxes.size(), 0);
    }

    void refusalIsReturnedNotShown()
    {
        requireBus();
        ownFileManagerName(true);
        const test::TempDir dir;
        const fs::path file = dir.write("f", "x");
        m_service->setRefuse(true);
        QWidget owner;
        const bool accepted = ShowFileProperties(&owner, file.string(), client());
        m_service->setRefuse(false);
        QVERIFY(!accepted);
        QCOMPARE(m_service->takeUris().size(), 1);
        QVERIFY(dialogsOf(owner).isEmpty());
        QCOMPARE(m_boxes.size(), 0);
    }

    void missingPathIsRefusedWithOurMessage()
    {
        requireBus();
        ownFileManagerName(true);
        const test::TempDir dir;
        const std::string missing = (dir.path() / "gone").string();
        QWidget owner;
        QVERIFY(!ShowFileProperties(&owner, missing, client()));
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes.first().parent, &owner);
        QCOMPARE(m_boxes.first().caption, QStringLiteral("Tervane test"));
        QCOMPARE(m_boxes.first().icon, BoxIcon::Stop);
        QVERIFY2(m_boxes.first().text.contains(QString::fromStdString(missing)), qPrintable(m_boxes.first().text));
        QVERIFY(m_service->takeUris().isEmpty());
        QVERIFY(dialogsOf(owner).isEmpty());
    }

    void ownDialogWhereNoFileManagerAnswers_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<bool>("sessionBus"); // false: not connected to any bus
        QTest::addColumn<QString>("size");
        QTest::addColumn<QString>("permissions");
        QTest::addColumn<QString>("linkTarget");
        QTest::newRow("file") << QStringLiteral("File") << true << QStringLiteral("5 bytes")
                              << QStringLiteral("rw-r----- (0640)") << QString();
        QTest::newRow("folder") << QStringLiteral("Folder") << true << QString() << QStringLiteral("rwxr-x--- (0750)")
                                << QString();
        QTest::newRow("symbolic link") << QStringLiteral("Symbolic link") << true << QStringLiteral("10 bytes")
                                       << QStringLiteral("rwxrwxrwx (0777)") << QStringLiteral("target.txt");
        QTest::newRow("file, no bus at all") << QStringLiteral("File") << false << QStringLiteral("5 bytes")
                                             << QStringLiteral("rw-r----- (0640)") << QString();
    }

    void ownDialogWhereNoFileManagerAnswers()
    {
        QFETCH(QString, kind);
        QFETCH(bool, sessionBus);
        QFETCH(QString, size);
        QFETCH(QString, permissions);
        QFETCH(QString, linkTarget);
        if (sessionBus) {
            requireBus();
            ownFileManagerName(false);
        }
        const test::TempDir dir;
        const fs::path entry = dir.path() / "entry";
        if (kind == QLatin1String("Folder")) {
            fs::create_directory(entry);
            fs::permissions(entry, fs::perms(0750));
        } else if (kind == QLatin1String("File")) {
            dir.write("entry", "hello");
            fs::permissions(entry, fs::perms(0640));
        } else {
            fs::create_symlink("target.txt", entry);
        }
        QVERIFY(setFixedTimes(entry));

        const QDBusConnection nowhere = QDBusConnection::connectToBus(
            QStringLiteral("unix:path=/nonexistent/tervane-bus"), QStringLiteral("nowhere"));
        QWidget owner;
        QVERIFY(ShowFileProperties(&owner, entry.string(), sessionBus ? client() : nowhere));
        QDBusConnection::disconnectFromBus(QStringLiteral("nowhere"));

        const QList<PropertiesDialog*> dialogs = dialogsOf(owner);
        QCOMPARE(dialogs.size(), 1);
        const PropertiesDialog* dialog = dialogs.first();
        QVERIFY(dialog->isVisible());
        QVERIFY(!dialog->isModal());
        QCOMPARE(fieldText(dialog, "name"), QStringLiteral("entry"));
        QCOMPARE(fieldText(dialog, "location"), QString::fromStdString(dir.str()) + QLatin1Char('/'));
        QCOMPARE(fieldText(dialog, "kind"), kind);
        QCOMPARE(fieldText(dialog, "size"), size);
        QCOMPARE(fieldText(dialog, "modified"), QString::fromLatin1(kFixedTime));
        QCOMPARE(fieldText(dialog, "accessed"), QString::fromLatin1(kFixedTime));
        QVERIFY(!fieldText(dialog, "changed").isEmpty());
        QCOMPARE(fieldText(dialog, "permissions"), permissions);
        QCOMPARE(fieldText(dialog, "owner"), QFileInfo(QString::fromStdString(dir.str())).owner());
        QVERIFY(!fieldText(dialog, "group").isEmpty());
        QCOMPARE(fieldText(dialog, "linkTarget"), linkTarget);
        // Rows that mean nothing for the kind are left out rather than shown empty.
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("size"))->isVisible(), !size.isEmpty());
        QCOMPARE(dialog->findChild<QLabel*>(QStringLiteral("linkTarget"))->isVisible(), !linkTarget.isEmpty());
        QCOMPARE(m_boxes.size(), 0);
    }
};

QTEST_MAIN(TestShellHelpers)
#include "TestShellHelpers.moc"
