// SPDX-License-Identifier: MIT
#include "ui/PropertiesDialog.h"

#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

#include <array>
#include <cerrno>
#include <grp.h>
#include <pwd.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace tervane {

namespace {

QString local8Bit(std::string_view bytes)
{
    return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString localTime(const timespec& time)
{
    return QDateTime::fromSecsSinceEpoch(time.tv_sec).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

QString kindText(mode_t mode)
{
    if (S_ISREG(mode)) {
        return QStringLiteral("File");
    }
    if (S_ISDIR(mode)) {
        return QStringLiteral("Folder");
    }
    if (S_ISLNK(mode)) {
        return QStringLiteral("Symbolic link");
    }
    if (S_ISFIFO(mode)) {
        return QStringLiteral("Named pipe");
    }
    if (S_ISSOCK(mode)) {
        return QStringLiteral("Socket");
    }
    if (S_ISCHR(mode)) {
        return QStringLiteral("Character device");
    }
    if (S_ISBLK(mode)) {
        return QStringLiteral("Block device");
    }
    return QStringLiteral("Other");
}

QString permissionText(mode_t mode)
{
    std::string rwx = "---------";
    const std::array<mode_t, 9> bits{S_IRUSR, S_IWUSR, S_IXUSR, S_IRGRP, S_IWGRP, S_IXGRP, S_IROTH, S_IWOTH, S_IXOTH};
    for (std::size_t i = 0; i < bits.size(); ++i) {
        if ((mode & bits.at(i)) != 0) {
            rwx.at(i) = "rwx"[i % 3];
        }
    }
    // The special bits share the execute column, as ls shows them: lower case when execute is also set.
    const auto special = [&rwx](std::size_t column, bool set, char letter) {
        if (set) {
            rwx.at(column) = rwx.at(column) == 'x' ? letter : static_cast<char>(letter - 'a' + 'A');
        }
    };
    special(2, (mode & S_ISUID) != 0, 's');
    special(5, (mode & S_ISGID) != 0, 's');
    special(8, (mode & S_ISVTX) != 0, 't');
    return QStringLiteral("%1 (%2)")
        .arg(QString::fromLatin1(rwx.c_str()))
        .arg(static_cast<uint>(mode & 07777), 4, 8, QLatin1Char('0'));
}

// getpwuid and getgrgid share static buffers; the _r forms do not, and tell us when ours is too small.
template <typename Record, typename Id, typename Lookup> QString nameOf(Id id, Lookup lookup, char* Record::*field)
{
    std::vector<char> buffer(1024);
    Record record{};
    Record* found = nullptr;
    int error = 0;
    while ((error = lookup(id, &record, buffer.data(), buffer.size(), &found)) == ERANGE && buffer.size() < 1 << 20) {
        buffer.resize(buffer.size() * 2);
    }
    if (error == 0 && found != nullptr) {
        return QString::fromLocal8Bit(record.*field);
    }
    return QString::number(id);
}

} // namespace

bool readEntryFacts(std::string_view path, EntryFacts& facts, std::error_code& ec)
{
    const std::string fullPath(path);
    struct stat st
    {
    };
    if (fullPath.empty()) {
        ec = std::make_error_code(std::errc::no_such_file_or_directory);
        return false;
    }
    if (::lstat(fullPath.c_str(), &st) != 0) {
        ec = std::error_code(errno, std::generic_category());
        return false;
    }
    ec.clear();

    // A folder given with a trailing delimiter still has a name.
    std::string_view trimmed = path;
    while (trimmed.size() > 1 && trimmed.back() == '/') {
        trimmed.remove_suffix(1);
    }
    const std::size_t split = trimmed.rfind('/');
    if (trimmed == "/") {
        facts.name = QStringLiteral("/");
        facts.location.clear();
    } else if (split == std::string_view::npos) {
        facts.name = local8Bit(trimmed);
        facts.location.clear();
    } else {
        facts.name = local8Bit(trimmed.substr(split + 1));
        facts.location = local8Bit(trimmed.substr(0, split + 1));
    }

    facts.kind = kindText(st.st_mode);
    facts.size = S_ISDIR(st.st_mode)
                     ? QString()
                     : QStringLiteral("%1 bytes").arg(QLocale().toString(static_cast<qlonglong>(st.st_size)));
    facts.modified = localTime(st.st_mtim);
    facts.accessed = localTime(st.st_atim);
    facts.changed = localTime(st.st_ctim);
    facts.permissions = permissionText(st.st_mode);
    facts.owner = nameOf<passwd>(st.st_uid, ::getpwuid_r, &passwd::pw_name);
    facts.group = nameOf<group>(st.st_gid, ::getgrgid_r, &group::gr_name);
    facts.linkTarget.clear();
    if (S_ISLNK(st.st_mode)) {
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t length = ::readlink(fullPath.c_str(), target.data(), target.size());
        if (length >= 0) {
            facts.linkTarget = local8Bit(std::string_view(target.data(), static_cast<std::size_t>(length)));
        }
    }
    return true;
}

PropertiesDialog::PropertiesDialog(const EntryFacts& facts, QWidget* owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("PropertiesDialog"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("%1 Properties").arg(facts.name));

    auto* form = new QFormLayout;
    addRow(form, QStringLiteral("Name:"), "name", facts.name);
    addRow(form, QStringLiteral("Location:"), "location", facts.location);
    addRow(form, QStringLiteral("Kind:"), "kind", facts.kind);
    addRow(form, QStringLiteral("Link target:"), "linkTarget", facts.linkTarget);
    addRow(form, QStringLiteral("Size:"), "size", facts.size);
    addRow(form, QStringLiteral("Modified:"), "modified", facts.modified);
    addRow(form, QStringLiteral("Accessed:"), "accessed", facts.accessed);
    addRow(form, QStringLiteral("Changed:"), "changed", facts.changed);
    addRow(form, QStringLiteral("Permissions:"), "permissions", facts.permissions);
    addRow(form, QStringLiteral("Owner:"), "owner", facts.owner);
    addRow(form, QStringLiteral("Group:"), "group", facts.group);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void PropertiesDialog::addRow(QFormLayout* form, const QString& caption, const char* name, const QString& value)
{
    auto* label = new QLabel(value);
    label->setObjectName(QString::fromLatin1(name));
    // Names are data, not markup; and a path is worth copying.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    form->addRow(caption, label);
    // Rows that mean nothing for this kind of entry (a folder's size, a file's link target) are left out.
    form->setRowVisible(label, !value.isEmpty());
}

} // namespace tervane
