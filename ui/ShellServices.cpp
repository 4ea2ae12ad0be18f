// SPDX-License-Identifier: MIT
#include "ui/ShellServices.h"

#include "app/UtilFuncs.h"

#include <QCursor>
#include <QDesktopServices>
#include <QGuiApplication>

#include <filesystem>
#include <string>

namespace tervane {

namespace {

// Qt keeps override cursors on a stack. The busy section sets the wait cursor on every begin but restores
// only once, so we hold at most one entry of our own and re-assert it instead of pushing again.
bool g_waitPushed = false;

void setWaitCursor()
{
    if (g_waitPushed) {
        QGuiApplication::changeOverrideCursor(QCursor(Qt::WaitCursor));
    } else {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        g_waitPushed = true;
    }
}

void restoreCursor()
{
    if (g_waitPushed) {
        g_waitPushed = false;
        QGuiApplication::restoreOverrideCursor();
    }
}

bool isUnreserved(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

} // namespace

void installShellServices()
{
    setCursorSink(CursorSink{setWaitCursor, restoreCursor});
    // The result is not examined: nothing is reported when a link cannot be opened.
    setLinkOpener([](std::string_view link) { QDesktopServices::openUrl(linkUrl(link)); });
}

QString fileUri(std::string_view path)
{
    static constexpr char kHex[] = "0123456789ABCDEF";
    QString uri = QStringLiteral("file://");
    uri.reserve(uri.size() + static_cast<qsizetype>(path.size()) * 3);
    for (const char byte : path) {
        const auto c = static_cast<unsigned char>(byte);
        if (isUnreserved(c) || c == '/') {
            uri.append(QLatin1Char(static_cast<char>(c)));
        } else {
            uri.append(QLatin1Char('%'));
            uri.append(QLatin1Char(kHex[c >> 4]));
            uri.append(QLatin1Char(kHex[c & 0x0F]));
        }
    }
    return uri;
}

QUrl linkUrl(std::string_view link)
{
    if (link.empty()) {
        return {};
    }
    if (link.front() != '/') {
        QUrl url(QString::fromLocal8Bit(link.data(), static_cast<qsizetype>(link.size())), QUrl::TolerantMode);
        if (!url.scheme().isEmpty()) {
            return url;
        }
    }
    std::string path(link);
    if (link.front() != '/') {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
        if (!ec) {
            path = absolute.string();
        }
    }
    return {fileUri(path), QUrl::StrictMode};
}

} // namespace tervane
