// SPDX-License-Identifier: MIT
#include "app/globals.h"

namespace tervane {

TGlobalVars GlobalVars;

} // namespace tervane
