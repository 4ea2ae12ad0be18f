// SPDX-License-Identifier: MIT
#pragma once
// Access keys for menus built without markers: each item gets a letter (A-Z) or digit of its own caption
// that no sibling already uses. "&&" stays a literal ampersand.

#include <QList>
#include <QString>

class QMenu;
class QMenuBar;

namespace tervane {

/// The captions with an "&" inserted before each item's access key; an item with no free character is
/// left without one. Separators (caption "-") are passed over.
QList<QString> withAccessKeys(const QList<QString>& captions);

/// Applies withAccessKeys to the actions of a menu or menu bar, from their current texts.
void assignAccessKeys(QMenu* menu);
void assignAccessKeys(QMenuBar* bar);

} // namespace tervane
