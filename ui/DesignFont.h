// SPDX-License-Identifier: MIT
#pragma once
// The typeface our windows are laid out for. Main thread only (it may register a font with Qt).

#include <QString>

namespace tervane {

/// "Tahoma" where it can be had (installed, or the metric-compatible copy Wine ships, which fontconfig
/// does not list), else the desktop's UI font family.
QString DesignFontFamily();

} // namespace tervane
