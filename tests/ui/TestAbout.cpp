// SPDX-License-Identifier: MIT
// The About box on the offscreen platform: its texts from the branding record, the link, the keys that
// close it or do not, where it goes on the screens, and the command that shows it.

#include "app/UtilFuncs.h"
#include "app/globals.h"
#include "ui/About.h"
#include "ui/Application.h"

#include <QDate>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <optional>
#include <string>

using namespace tervane;

using OptionalRect = std::optional<QRect>;
Q_DECLARE_METATYPE(OptionalRect)

class TestAbout : public QObject
{
    Q_OBJECT

private:
    QStringList m_opened;

private slots:
    void initTestCase()
    {
        // Two images: the box must pick the one that fits its 33 x 33 image, not scale the larger.
        QIcon icon;
        for (const int side : {32, 48}) {
            QPixmap image(side, side);
            image.fill(Qt::darkCyan);
            icon.addPixmap(image);
        }
        QApplication::setWindowIcon(icon);
        setLinkOpener([this](std::string_view link) { m_opened.append(QString::fromStdString(std::string(link))); });
    }

    void cleanupTestCase() { setLinkOpener({}); }

    void init()
    {
        m_opened.clear();
        SetApplicationTitle(QStringLiteral("Tervane"));
        GlobalVars = TGlobalVars{};
        GlobalVars.Version = "1.2.3";
        GlobalVars.Copyright = "the Tervane developers";
        GlobalVars.HelpHomePageLink = "file:///opt/tervane/help/home.html";
    }

    void texts_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("version");
        QTest::addColumn<QString>("holder");
        QTest::addColumn<QString>("link");
        QTest::newRow("ordinary") << QStringLiteral("Tervane") << QStringLiteral("1.2.3")
                                  << QStringLiteral("the Tervane developers")
                                  << QStringLiteral("file:///opt/tervane/help/home.html");
        QTest::newRow("values holding format characters")
            << QStringLiteral("100% %s Monitor %1") << QStringLiteral("2.0 %d") << QStringLiteral("A %s & B %% %1")
            << QStringLiteral("https://example.org/a%20b");
        QTest::newRow("values that look like markup") << QStringLiteral("<b>Tervane</b>") << QStringLiteral("1 & 2")
                                                      << QStringLiteral("<i>holder</i>") << QStringLiteral("<a>");
        QTest::newRow("empty fields") << QStringLiteral("Tervane") << QString() << QString() << QString();
    }

    void texts()
    {
        QFETCH(QString, title);
        QFETCH(QString, version);
        QFETCH(QString, holder);
        QFETCH(QString, link);
        SetApplicationTitle(title);
        GlobalVars.Version = version.toStdString();
        GlobalVars.Copyright = holder.toStdString();
        GlobalVars.HelpHomePageLink = link.toStdString();

        const TFormAbout box(nullptr);
        QCOMPARE(box.windowTitle(), QStringLiteral("About ") + title);
        QCOMPARE(box.LabelAppName->text(), title);
        QCOMPARE(box.LabelVersion->text(), QStringLiteral("Version ") + version);
        QCOMPARE(box.LabelCopyRight->text(),
                 QStringLiteral("Copyright \u00A9 2026-%1 ").arg(QDate::currentDate().year()) + holder);
        QCOMPARE(box.LabelWeb->text(), link);
        for (const QLabel* label : {box.LabelAppName, box.LabelVersion, box.LabelCopyRight, box.LabelWeb}) {
            QCOMPARE(label->textFormat(), Qt::PlainText);
        }
    }

    void lookAndFocus()
    {
        TFormAbout box(nullptr);
        box.show();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        QCOMPARE(box.size(), QSize(382, 218));
        QCOMPARE(box.minimumSize(), box.maximumSize());
        QVERIFY(!box.windowFlags().testFlag(Qt::WindowMinMaxButtonsHint));
        QCOMPARE(box.ImageIcon->pixmap().size(), QSize(32, 32));
        QVERIFY(box.LabelWarning->wordWrap());
        QCOMPARE(box.LabelWarning->width(), 353);
        QVERIFY(box.LabelWarning->height() > box.LabelCopyRight->height()); // wrapped onto several lines
        QVERIFY(box.LabelWeb->font().underline());
        QCOMPARE(box.LabelWeb->palette().color(QPalette::WindowText), QColor(0, 0, 255));
        QCOMPARE(box.LabelWeb->cursor().shape(), Qt::PointingHandCursor);
        QVERIFY(box.ButtonOK->isDefault());
        const QList<QWidget*> stops = box.findChildren<QWidget*>();
        QCOMPARE(
            std::count_if(stops.begin(), stops.end(), [](const QWidget* w) { return w->focusPolicy() & Qt::TabFocus; }),
            1);
        QCOMPARE(box.focusWidget(), box.ButtonOK);
    }

    void linkClickOpensTheCurrentLinkAndStaysOpen()
    {
        TFormAbout box(nullptr);
        QSignalSpy finished(&box, &QDialog::finished);
        box.open();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        // Read at the click, not taken from the label.
        GlobalVars.HelpHomePageLink = "https://example.org/changed";
        QTest::mouseClick(box.LabelCopyRight, Qt::LeftButton);
        QVERIFY(m_opened.isEmpty());
        QTest::mouseClick(box.LabelWeb, Qt::LeftButton);
        QCOMPARE(m_opened, QStringList{QStringLiteral("https://example.org/changed")});
        QCOMPARE(BusyCount(), 0);
        QVERIFY(box.isVisible());
        QCOMPARE(finished.count(), 0);
    }

    void keysAndCloseBox_data()
    {
        QTest::addColumn<int>("key");    // 0: the close box
        QTest::addColumn<int>("result"); // -1: stays open
        QTest::newRow("Enter") << int(Qt::Key_Return) << TFormAbout::mrOk;
        QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << TFormAbout::mrOk;
        QTest::newRow("Esc does nothing") << int(Qt::Key_Escape) << -1;
        QTest::newRow("close box") << 0 << TFormAbout::mrCancel;
    }

    void keysAndCloseBox()
    {
        QFETCH(int, key);
        QFETCH(int, result);
        TFormAbout box(nullptr);
        QSignalSpy finished(&box, &QDialog::finished);
        box.open();
        QVERIFY(QTest::qWaitForWindowExposed(&box));
        if (key == 0) {
            box.close(); // what the window manager does for the close box and Alt+F4
        } else {
            QTest::keyClick(&box, Qt::Key(key));
        }
        if (result < 0) {
            QVERIFY(box.isVisible());
            QCOMPARE(finished.count(), 0);
        } else {
            QVERIFY(!box.isVisible());
            QCOMPARE(finished.count(), 1);
            QCOMPARE(finished.first().first().toInt(), result);
        }
    }

    void placement_data()
    {
        QTest::addColumn<QSize>("box");
        QTest::addColumn<QRect>("primary");
        QTest::addColumn<QList<QRect>>("monitors");
        QTest::addColumn<OptionalRect>("active");
        QTest::addColumn<QPoint>("expected");

        const QSize box(390, 247);
        const QRect hd(0, 0, 1920, 1080);
        const QRect right(1920, 0, 1280, 1024);
        const QList<QRect> two{hd, right};
        QTest::newRow("no active window: centre of the primary screen")
            << box << hd << QList<QRect>{hd} << OptionalRect{} << QPoint(765, 416);
        QTest::newRow("odd remainders round toward zero")
            << QSize(391, 248) << QRect(0, 0, 1025, 769) << QList<QRect>{QRect(0, 0, 1025, 769)} << OptionalRect{}
            << QPoint(317, 260);
        QTest::newRow("box larger than the screen stays on it")
            << QSize(900, 700) << QRect(0, 0, 800, 600) << QList<QRect>{QRect(0, 0, 800, 600)} << OptionalRect{}
            << QPoint(0, 0);
        QTest::newRow("active window moved off centre on the same screen")
            << box << hd << two << OptionalRect(QRect(10, 10, 400, 300)) << QPoint(765, 416);
        QTest::newRow("active window on the other monitor")
            << box << hd << two << OptionalRect(QRect(2000, 100, 800, 600)) << QPoint(2365, 388);
        QTest::newRow("active window mostly on the primary")
            << box << hd << two << OptionalRect(QRect(1500, 100, 800, 600)) << QPoint(765, 416);
        QTest::newRow("active window off every monitor: the nearest")
            << box << hd << two << OptionalRect(QRect(3500, 2000, 300, 200)) << QPoint(2365, 388);
        QTest::newRow("monitor left of the primary")
            << box << hd << QList<QRect>{QRect(-1280, 0, 1280, 1024), hd} << OptionalRect(QRect(-1000, 200, 500, 400))
            << QPoint(-1280 + 445, 388);
    }

    void placement()
    {
        QFETCH(QSize, box);
        QFETCH(QRect, primary);
        QFETCH(QList<QRect>, monitors);
        QFETCH(OptionalRect, active);
        QFETCH(QPoint, expected);
        QCOMPARE(aboutBoxPosition(box, primary, monitors, active), expected);
    }

    void commandShowsAFreshBoxEachTime()
    {
        QWidget owner;
        QStringList versions;
        QList<QPointer<TFormAbout>> boxes;
        // Answers the modal box from inside its own loop, as a user would.
        const auto answer = [&] {
            QTimer::singleShot(0, &owner, [&] {
                auto* box = qobject_cast<TFormAbout*>(QApplication::activeModalWidget());
                QVERIFY(box != nullptr);
                QCOMPARE(box->parentWidget(), &owner);
                versions.append(box->LabelVersion->text());
                boxes.append(box);
                QTest::mouseClick(box->ButtonOK, Qt::LeftButton);
            });
        };
        answer();
        ShowAboutBox(&owner);
        GlobalVars.Version = "2.0";
        answer();
        ShowAboutBox(&owner);

        QCOMPARE(versions, (QStringList{QStringLiteral("Version 1.2.3"), QStringLiteral("Version 2.0")}));
        QCOMPARE(boxes.size(), 2);
        QVERIFY(boxes.at(0).isNull());
        QVERIFY(boxes.at(1).isNull());
        QVERIFY(owner.findChildren<TFormAbout*>().isEmpty());
    }
};

QTEST_MAIN(TestAbout)
#include "TestAbout.moc"
