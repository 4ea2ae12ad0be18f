// SPDX-License-Identifier: MIT
#include "ui/MessageBoxes.h"

#include <QMessageBox>

namespace tervane {

namespace {

MessageBoxHandler& handler()
{
    static MessageBoxHandler h;
    return h;
}

QMessageBox::Icon qtIcon(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Stop:
        return QMessageBox::Critical;
    case BoxIcon::Warning:
        return QMessageBox::Warning;
    case BoxIcon::Question:
        return QMessageBox::Question;
    case BoxIcon::Information:
        return QMessageBox::Information;
    }
    return QMessageBox::NoIcon;
}

} // namespace

BoxResult showMessageBox(QWidget* parent, const QString& caption, const QString& text, BoxIcon icon, BoxButtons buttons)
{
    if (handler()) {
        return handler()(BoxRequest{parent, caption, text, icon, buttons});
    }
    QMessageBox box(qtIcon(icon), caption, text, QMessageBox::NoButton, parent);
    box.setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    if (buttons == BoxButtons::YesNo) {
        box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        box.setDefaultButton(QMessageBox::Yes);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? BoxResult::Yes : BoxResult::No;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return BoxResult::Ok;
}

void setMessageBoxHandler(MessageBoxHandler h)
{
    handler() = std::move(h);
}

} // namespace tervane
