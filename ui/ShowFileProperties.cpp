// SPDX-License-Identifier: MIT
#include "ui/ShowFileProperties.h"

#include "platform/Platform.h"
#include "ui/Application.h"
#include "ui/MessageBoxes.h"
#include "ui/PropertiesDialog.h"
#include "ui/ShellServices.h"

#include <QDBusMessage>
#include <QStringList>

#include <array>
#include <filesystem>
#include <string>

namespace tervane {

namespace {

enum class Answer
{
    Accepted,
    Refused,    ///< a file manager answered with an error; it shows its own message, if any
    NotOffered, ///< nobody on the bus implements the call
};

// Long enough for the bus to start a file manager on demand on a cold machine; a hung one must not
// freeze the window for good.
constexpr int kCallTimeoutMs = 10000;

bool notOffered(const QString& errorName)
{
    static const std::array<QLatin1String, 7> kNames{
        QLatin1String("org.freedesktop.DBus.Error.ServiceUnknown"),
        QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"),
        QLatin1String("org.freedesktop.DBus.Error.UnknownMethod"),
        QLatin1String("org.freedesktop.DBus.Error.UnknownObject"),
        QLatin1String("org.freedesktop.DBus.Error.UnknownInterface"),
        QLatin1String("org.freedesktop.DBus.Error.NotSupported"),
        QLatin1String("org.freedesktop.DBus.Error.Disconnected"),
    };
    for (const QLatin1String& name : kNames) {
        if (errorName == name) {
            return true;
        }
    }
    // The bus knew a file manager but could not start it.
    return errorName.startsWith(QLatin1String("org.freedesktop.DBus.Error.Spawn."));
}

Answer askFileManager(const QDBusConnection& bus, const QString& uri)
{
    if (!bus.isConnected()) {
        return Answer::NotOffered;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("/org/freedesktop/FileManager1"),
        QStringLiteral("org.freedesktop.FileManager1"), QStringLiteral("ShowItemProperties"));
    // No startup id: we have no launch to hand on, and file managers accept an empty one.
    call << QStringList{uri} << QString();
    // Synchronous, as the shell's own request is; the window waits only as long as the answer takes.
    const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) {
        return Answer::Accepted;
    }
    return notOffered(reply.errorName()) ? Answer::NotOffered : Answer::Refused;
}

QString missingEntryText(std::string_view path, const std::error_code& ec)
{
    const QString name = QString::fromLocal8Bit(path.data(), static_cast<qsizetype>(path.size()));
    if (ec == std::errc::no_such_file_or_directory || ec == std::errc::not_a_directory) {
        return QStringLiteral("Cannot find \"%1\". It may have been moved, renamed or removed.").arg(name);
    }
    return QStringLiteral("Cannot read the properties of \"%1\": %2.")
        .arg(name, QString::fromLocal8Bit(platform::SystemErrorText(ec).c_str()));
}

} // namespace

bool ShowFileProperties(QWidget* OwnerWindow, std::string_view FileName)
{
    return ShowFileProperties(OwnerWindow, FileName, QDBusConnection::sessionBus());
}

bool ShowFileProperties(QWidget* OwnerWindow, std::string_view FileName, const QDBusConnection& bus)
{
    // Checked here rather than left to the file manager: some say nothing at all about a missing path.
    EntryFacts facts;
    std::error_code ec;
    if (!readEntryFacts(FileName, facts, ec)) {
        showMessageBox(OwnerWindow, ApplicationTitle(), missingEntryText(FileName, ec), BoxIcon::Stop);
        return false;
    }
    // A file URI has no room for a relative path; the shell would take it from the working directory.
    std::string fullPath(FileName);
    if (fullPath.front() != '/') {
        fullPath = std::filesystem::absolute(fullPath, ec).string();
    }
    switch (askFileManager(bus, fileUri(fullPath))) {
    case Answer::Accepted:
        return true;
    case Answer::Refused:
        return false;
    case Answer::NotOffered:
        break;
    }
    auto* dialog = new PropertiesDialog(facts, OwnerWindow);
    dialog->show();
    return true;
}

} // namespace tervane
