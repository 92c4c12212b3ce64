#pragma once
// What an import reads from the program's settings section beside the totals: the names the
// account fields keep, and whether the duplicate guard asks QuickBooks first.
#include "engine/posting/entity_rule.h"
#include "engine/program.h"

namespace ztl {

// The import's duplicate guard is on: not switched off for this program, nor by the
// DuplicateCheck setting "off".
bool duplicateGuardOn(const Program& program);

// The three names the account fields keep, read from the program's settings section.
EntityNames storedEntityNames(const Program& program);

}  // namespace ztl
