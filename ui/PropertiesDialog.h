// SPDX-License-Identifier: MIT
#pragma once
// Our own read-only properties window for one file system entry, shown where no file manager offers its
// property dialog (a bare window manager, a headless machine). Main thread only.

#include <QDialog>
#include <QString>

#include <string_view>
#include <system_error>

class QFormLayout;

namespace tervane {

/// What the window shows about an entry, as display text. A final symbolic link is described, not followed.
struct EntryFacts
{
    QString name;     ///< the last part of the path ("/" for the root)
    QString location; ///< the directory part, ending in "/"
    QString kind;     ///< "File", "Folder", "Symbolic link" or the kind of special file
    QString size;     ///< "%1 bytes"; empty for a folder
    QString modified; ///< local times, "yyyy-MM-dd HH:mm:ss"
    QString accessed;
    QString changed;     ///< when the entry's metadata last changed
    QString permissions; ///< "rwxr-xr-x (0755)"
    QString owner;       ///< user name, or the number where it has none
    QString group;
    QString linkTarget; ///< what a symbolic link points to, as stored; empty otherwise
};

/// Looks the entry up; false with `ec` set when it cannot be (it does not exist, no access).
bool readEntryFacts(std::string_view path, EntryFacts& facts, std::error_code& ec);

/// Non-modal, like the property sheets it stands in for: the log keeps running and several may be open.
/// Owned by the window it was opened for and deleted when closed.
class PropertiesDialog : public QDialog
{
    Q_OBJECT

public:
    PropertiesDialog(const EntryFacts& facts, QWidget* owner);

private:
    void addRow(QFormLayout* form, const QString& caption, const char* name, const QString& value);
};

} // namespace tervane
