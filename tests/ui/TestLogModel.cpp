// SPDX-License-Identifier: MIT
#include "ui/LogModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

#include <string>

using tervane::EntryKind;
using tervane::LogColumn;
using tervane::LogModel;
using tervane::LogRow;

namespace {

LogRow row(const std::string& name, EntryKind kind = EntryKind::File)
{
    LogRow r;
    r.timestamp = "2024-03-01 00.59.58";
    r.action = kind == EntryKind::Removed ? "Remove" : "Add";
    r.name = name;
    r.location = "/watched/";
    r.kind = kind;
    if (kind != EntryKind::Removed) {
        r.size = kind == EntryKind::Folder ? "Folder" : "12";
        r.modified = "2021-06-15 10.20.30";
        r.attrs = kind == EntryKind::Folder ? "0x10" : "0x20";
    }
    return r;
}

QString nameAt(const LogModel& model, int r)
{
    return model.index(r, static_cast<int>(LogColumn::Name)).data().toString();
}

} // namespace

class TestLogModel : public QObject
{
    Q_OBJECT

private slots:
    void staysConsistentWhileRowsAreAddedAndCleared();
    void showsNewestFirst();
    void announcesABurstAsOneInsertOnTheTimer();
    void clearDropsPendingRows();
    void foregroundByKind_data();
    void foregroundByKind();
    void headers_data();
    void headers();
    void textCrossesAsLocal8Bit();
};

void TestLogModel::staysConsistentWhileRowsAreAddedAndCleared()
{
    LogModel model;
    QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);

    for (int i = 0; i < 50; ++i) {
        model.addRow(row("a" + std::to_string(i), static_cast<EntryKind>(i % 3)));
    }
    model.flush();
    for (int i = 0; i < 20; ++i) {
        model.addRow(row("b" + std::to_string(i)));
    }
    QTRY_COMPARE(model.rowCount(), 70);
    model.clear();
    QCOMPARE(model.rowCount(), 0);
    model.addRow(row("c"));
    model.flush();
    QCOMPARE(model.rowCount(), 1);
}

void TestLogModel::showsNewestFirst()
{
    LogModel model;
    model.addRow(row("first"));
    model.addRow(row("second"));
    model.addRow(row("third"));
    model.flush();
    QCOMPARE(nameAt(model, 0), QString("third"));
    QCOMPARE(nameAt(model, 1), QString("second"));
    QCOMPARE(nameAt(model, 2), QString("first"));
    QCOMPARE(model.fullPathAt(2), std::string("/watched/first"));

    // A row not yet announced must not shift what views already show.
    model.addRow(row("fourth"));
    QCOMPARE(model.totalRows(), std::size_t{4});
    QCOMPARE(model.rowCount(), 3);
    QCOMPARE(nameAt(model, 0), QString("third"));
    model.flush();
    QCOMPARE(nameAt(model, 0), QString("fourth"));
    QCOMPARE(nameAt(model, 3), QString("first"));
}

void TestLogModel::announcesABurstAsOneInsertOnTheTimer()
{
    LogModel model;
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    for (int i = 0; i < 1000; ++i) {
        model.addRow(row(std::to_string(i)));
    }
    QCOMPARE(model.totalRows(), std::size_t{1000});
    QCOMPARE(inserted.count(), 0);

    QTRY_COMPARE(inserted.count(), 1);
    QCOMPARE(inserted.at(0).at(1).toInt(), 0);
    QCOMPARE(inserted.at(0).at(2).toInt(), 999);
    QCOMPARE(model.rowCount(), 1000);
}

void TestLogModel::clearDropsPendingRows()
{
    LogModel model;
    QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
    model.addRow(row("shown"));
    model.flush();
    model.addRow(row("pending"));
    model.clear();
    QCOMPARE(reset.count(), 1);
    QCOMPARE(model.totalRows(), std::size_t{0});
    model.flush();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model.rowCount(), 0);
}

void TestLogModel::foregroundByKind_data()
{
    QTest::addColumn<EntryKind>("kind");
    QTest::addColumn<QColor>("colour");
    QTest::newRow("folder green") << EntryKind::Folder << QColor(0, 128, 0);
    QTest::newRow("file blue") << EntryKind::File << QColor(0, 0, 255);
    QTest::newRow("removed red") << EntryKind::Removed << QColor(255, 0, 0);
}

void TestLogModel::foregroundByKind()
{
    QFETCH(EntryKind, kind);
    QFETCH(QColor, colour);
    LogModel model;
    model.addRow(row("x", kind));
    model.flush();
    for (int c = 0; c < model.columnCount(); ++c) {
        QCOMPARE(model.index(0, c).data(Qt::ForegroundRole).value<QColor>(), colour);
    }
    QCOMPARE(model.index(0, 0).data(LogModel::KindRole).toInt(), static_cast<int>(kind));
    QCOMPARE(model.kindAt(0), kind);
}

void TestLogModel::headers_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("right");
    QTest::newRow("timestamp") << 0 << "Timestamp" << false;
    QTest::newRow("action") << 1 << "Action" << false;
    QTest::newRow("name") << 2 << "Name" << false;
    QTest::newRow("location") << 3 << "Location" << false;
    QTest::newRow("size") << 4 << "Size [B]" << true;
    QTest::newRow("modified") << 5 << "Modified" << false;
    QTest::newRow("attrs") << 6 << "Attrs" << true;
}

void TestLogModel::headers()
{
    QFETCH(int, column);
    QFETCH(QString, caption);
    QFETCH(bool, right);
    LogModel model;
    model.addRow(row("x"));
    model.flush();
    QCOMPARE(model.columnCount(), 7);
    QCOMPARE(model.headerData(column, Qt::Horizontal).toString(), caption);
    const auto alignment = model.index(0, column).data(Qt::TextAlignmentRole).value<Qt::Alignment>();
    QCOMPARE(bool(alignment & Qt::AlignRight), right);
}

void TestLogModel::textCrossesAsLocal8Bit()
{
    LogModel model;
    model.addRow(row("caf\xc3\xa9 a:b"));
    model.flush();
    QCOMPARE(nameAt(model, 0), QString::fromLocal8Bit("caf\xc3\xa9 a:b"));
    QCOMPARE(model.index(0, static_cast<int>(LogColumn::Size)).data().toString(), QString("12"));
}

QTEST_MAIN(TestLogModel)
#include "TestLogModel.moc"
