// SPDX-License-Identifier: MIT
// How fast rows flow into the log with a table view attached, and what storing them costs per row.
// Not a test: run it by hand (offscreen by default) and compare against the targets it prints.

#include "log/LogRow.h"
#include "ui/LogModel.h"

#include <QApplication>
#include <QEvent>
#include <QTableView>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Rows handed over per turn of the event loop; one notification buffer holds roughly this many records.
constexpr int kRowsPerHandOff = 100;

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kib = 0;
            status >> kib;
            return kib;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

// Counts the view's repaints, to show rows are painted in batches and the view really is drawn.
class PaintCounter : public QObject
{
public:
    using QObject::QObject;
    long paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint) {
            ++paints;
        }
        return QObject::eventFilter(watched, event);
    }
};

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    const long rows = argc > 1 ? std::atol(argv[1]) : 1000000;

    tervane::LogModel model;
    QTableView view;
    view.setModel(&model);
    view.resize(825, 422);
    PaintCounter counter;
    view.viewport()->installEventFilter(&counter);
    view.show();
    QApplication::processEvents();
    counter.paints = 0;

    tervane::LogRow row;
    row.timestamp = "2024-03-01 00.59.58";
    row.action = "Modify";
    row.location = "/home/user/projects/tervane/build/";
    row.modified = "2021-06-15 10.20.30";
    row.attrs = "0x20";
    row.kind = tervane::EntryKind::File;

    const long rssBefore = residentKiB();
    const auto start = Clock::now();
    for (long n = 0; n < rows; ++n) {
        row.name = "object-" + std::to_string(n) + ".o";
        row.size = std::to_string(n * 37);
        model.addRow(row);
        if (n % kRowsPerHandOff == kRowsPerHandOff - 1) {
            QApplication::processEvents();
        }
    }
    model.flush();
    QApplication::processEvents();
    const double ingestSeconds = secondsSince(start);
    const long rssAfter = residentKiB();

    const tervane::LogStore& store = model.store();
    const auto count = static_cast<double>(store.size());
    const double overhead = static_cast<double>(store.bytesUsed() - store.cellBytes()) / count;
    std::printf("rows                          %ld\n", rows);
    std::printf("ingest with view (rows/s)     %.0f   target >= 100000\n", count / ingestSeconds);
    std::printf("view repaints                 %ld\n", counter.paints);
    std::printf("store bytes/row beyond cells  %.1f   target <= 200\n", overhead);
    std::printf("cell bytes/row                %.1f\n", static_cast<double>(store.cellBytes()) / count);
    std::printf("process RSS growth/row        %.1f   (store, view and header together)\n",
                static_cast<double>(rssAfter - rssBefore) * 1024.0 / count);

    // Making rows from real entries: one lstat and the formatting per row.
    char dirTemplate[] = "/tmp/tervane-bench-XXXXXX";
    if (const char* dir = ::mkdtemp(dirTemplate)) {
        const std::string file = std::string(dir) + "/probe.txt";
        std::ofstream(file) << "probe";
        constexpr int kMade = 200000;
        const auto makeStart = Clock::now();
        std::size_t sink = 0;
        for (int n = 0; n < kMade; ++n) {
            sink += tervane::makeLogRow(dir, tervane::TWatchAction::waModify, "probe.txt").size.size();
        }
        std::printf("makeLogRow (rows/s)           %.0f   (checksum %zu)\n", kMade / secondsSince(makeStart), sink);
        ::unlink(file.c_str());
        ::rmdir(dir);
    }

    const auto clearStart = Clock::now();
    model.clear();
    std::printf("clear of %ld rows (ms)       %.1f\n", rows, secondsSince(clearStart) * 1000.0);
    return 0;
}
