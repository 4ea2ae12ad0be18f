// SPDX-License-Identifier: MIT
#pragma once
// Opens the property dialog of a file system entry: the desktop file manager's, asked over D-Bus, or our
// own where no file manager offers one. Main thread only.

#include <QDBusConnection>

#include <string_view>

class QWidget;

namespace tervane {

/// Asks the file manager on the session bus to show the properties of `FileName` (a full path) and
/// returns whether it accepted. Where none offers org.freedesktop.FileManager1 (or there is no session
/// bus), opens our read-only PropertiesDialog owned by `OwnerWindow` and returns true. A path that does
/// not exist shows our error box and returns false; a file manager that refuses returns false silently,
/// as it reports its own errors.
bool ShowFileProperties(QWidget* OwnerWindow, std::string_view FileName);

/// The same against a given bus, so tests can run a private one.
bool ShowFileProperties(QWidget* OwnerWindow, std::string_view FileName, const QDBusConnection& bus);

} // namespace tervane
