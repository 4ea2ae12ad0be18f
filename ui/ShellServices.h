// SPDX-License-Identifier: MIT
#pragma once
// The Qt side of the shell helpers in app/UtilFuncs: the busy section's wait cursor as Qt's override
// cursor, and links handed to the desktop's default handler. Main thread only.

#include <QString>
#include <QUrl>

#include <string_view>

namespace tervane {

/// Installs the Qt cursor sink and link opener into the core's busy section and OpenLink.
void installShellServices();

/// A file:// URI for a path given as raw bytes. Every byte outside the unreserved set and "/" is
/// percent-encoded, so names that are not valid text (or hold " ", "#", "?", "%") reach the other side intact.
QString fileUri(std::string_view path);

/// The URL a link stands for: a path (absolute, or relative to the working directory, as the shell would
/// take it) becomes a file URL; anything with a scheme is taken as written. "" gives an invalid URL.
QUrl linkUrl(std::string_view link);

} // namespace tervane
