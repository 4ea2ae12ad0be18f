// SPDX-License-Identifier: MIT
#pragma once
// Application-wide state of the Qt program: the title from the branding file, the waker that makes the
// event loop serve the watch workers' hand-offs, and the report of an error that escapes a handler.
// Main thread only, except the waker itself.

#include <QString>

#include <exception>

class QWidget;

namespace tervane {

/// The application title: the taskbar text, the prefix of the main caption, the caption of error boxes.
const QString& ApplicationTitle();
void SetApplicationTitle(const QString& title);

/// Makes the Qt event loop (modal loops included) serve pending hand-offs as soon as one is queued.
/// Errors that escape a handler during that service are reported with ReportHandlerError.
void InstallHandOffWaker();
void RemoveHandOffWaker();

/// The box for an error that escaped an event handler: the title as caption, stop icon, the message with
/// a full stop where it lacks one. The program goes on.
void ReportHandlerError(QWidget* parent, const std::exception& error);
void ReportHandlerError(QWidget* parent, const QString& message);

} // namespace tervane
