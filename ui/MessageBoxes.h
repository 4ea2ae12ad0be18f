// SPDX-License-Identifier: MIT
#pragma once
// Every modal box of ours goes through here, so tests can answer them through a seam instead of a real
// modal loop. Main thread only.

#include <QString>

#include <functional>

class QWidget;

namespace tervane {

enum class BoxIcon
{
    Stop,
    Warning,
    Question,
    Information,
};

enum class BoxButtons
{
    Ok,
    YesNo, ///< Yes is the default; Esc and the close box answer No
};

enum class BoxResult
{
    Ok = 1,
    Cancel = 2,
    Yes = 6,
    No = 7,
};

struct BoxRequest
{
    QWidget* parent;
    QString caption;
    QString text;
    BoxIcon icon;
    BoxButtons buttons;
};

using MessageBoxHandler = std::function<BoxResult(const BoxRequest&)>;

/// Shows a modal box (or asks the installed handler) and returns the answer.
BoxResult showMessageBox(QWidget* parent, const QString& caption, const QString& text, BoxIcon icon,
                         BoxButtons buttons = BoxButtons::Ok);

/// Installs a handler that answers every box instead of showing it; an empty handler restores real boxes.
void setMessageBoxHandler(MessageBoxHandler handler);

} // namespace tervane
