// SPDX-License-Identifier: MIT
#include "ui/AccessKeys.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>

#include <set>

namespace tervane {

namespace {

bool eligible(QChar c)
{
    const char16_t u = c.toUpper().unicode();
    return (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9');
}

void applyTo(const QList<QAction*>& actions)
{
    QList<QString> captions;
    QList<QAction*> targets;
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            continue;
        }
        targets.append(a);
        captions.append(a->text());
    }
    const QList<QString> keyed = withAccessKeys(captions);
    for (qsizetype i = 0; i < targets.size(); ++i) {
        targets[i]->setText(keyed[i]);
    }
}

} // namespace

QList<QString> withAccessKeys(const QList<QString>& captions)
{
    std::set<char16_t> used;
    QList<QString> result;
    result.reserve(captions.size());
    for (const QString& caption : captions) {
        if (caption == QStringLiteral("-")) {
            result.append(caption);
            continue;
        }
        qsizetype chosen = -1;
        for (qsizetype i = 0; i < caption.size(); ++i) {
            if (caption[i] == u'&') {
                ++i; // "&&" is a literal ampersand, never a key
                continue;
            }
            if (eligible(caption[i]) && used.count(caption[i].toUpper().unicode()) == 0) {
                chosen = i;
                break;
            }
        }
        if (chosen < 0) {
            result.append(caption);
            continue;
        }
        used.insert(caption[chosen].toUpper().unicode());
        QString keyed = caption;
        keyed.insert(chosen, u'&');
        result.append(keyed);
    }
    return result;
}

void assignAccessKeys(QMenu* menu)
{
    applyTo(menu->actions());
}

void assignAccessKeys(QMenuBar* bar)
{
    applyTo(bar->actions());
}

} // namespace tervane
