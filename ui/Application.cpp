// SPDX-License-Identifier: MIT
#include "ui/Application.h"

#include "app/ErrorText.h"
#include "ui/MessageBoxes.h"
#include "watch/MainThreadQueue.h"

#include <QApplication>
#include <QMetaObject>
#include <QPointer>

namespace tervane {

namespace {

QString& title()
{
    static QString t;
    return t;
}

void serveHandOffs()
{
    try {
        CheckSynchronize();
    } catch (const std::exception& e) {
        ReportHandlerError(QApplication::activeWindow(), e);
    } catch (...) {
        ReportHandlerError(QApplication::activeWindow(), QStringLiteral("Unknown error"));
    }
}

} // namespace

const QString& ApplicationTitle()
{
    return title();
}

void SetApplicationTitle(const QString& t)
{
    title() = t;
}

void InstallHandOffWaker()
{
    // Called on a worker thread: posting is thread-safe, and the posted call runs on the main thread in
    // whatever event loop is running there, a modal box's included.
    MainThreadQueue::instance().setWaker([] {
        if (QCoreApplication* app = QCoreApplication::instance()) {
            QMetaObject::invokeMethod(app, &serveHandOffs, Qt::QueuedConnection);
        }
    });
}

void RemoveHandOffWaker()
{
    MainThreadQueue::instance().setWaker({});
}

void ReportHandlerError(QWidget* parent, const std::exception& error)
{
    ReportHandlerError(parent, QString::fromLocal8Bit(error.what()));
}

void ReportHandlerError(QWidget* parent, const QString& message)
{
    const std::string text = WithFullStop(message.toLocal8Bit().toStdString());
    showMessageBox(parent, ApplicationTitle(), QString::fromLocal8Bit(text.c_str()), BoxIcon::Stop);
}

} // namespace tervane
