// SPDX-License-Identifier: MIT
#include "ui/DesignFont.h"

#include <QApplication>
#include <QFontDatabase>

namespace tervane {

QString DesignFontFamily()
{
    const QString tahoma = QStringLiteral("Tahoma");
    if (!QFontDatabase::families().contains(tahoma)) {
        // Column widths and label positions are measured in it, so a look-alike is worth loading.
        QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/wine/fonts/tahoma.ttf"));
    }
    return QFontDatabase::families().contains(tahoma) ? tahoma : QApplication::font().family();
}

} // namespace tervane
