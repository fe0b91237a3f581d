// The option-byte texts of the offline project being edited, shared by the project pages and the two project
// editors: 40 hex digits made from the project's 20 option bytes when an editor opens, the editor's text (40, 36,
// 32 or 28 digits by family) after a confirmed edit.
#pragma once

#include <array>
#include <cstdint>

#include "framework/Text.h"

extern fw::Text g_projectOptionText;   // families 0, 1, 2, 5, 8, 9 and any without an editor of its own
extern fw::Text g_projectOptionText2;  // families 3, 4, 6, 7, 11, 12

using ProjectOptionBytes = std::array<uint8_t, 20>;

fw::Text ProjectOptionTextOf(const ProjectOptionBytes& bytes);
// Puts the text's bytes over the first ones of `bytes`; the bytes a shorter text does not hold keep their value,
// so an edit confirmed in an editor is kept in the project, and reopening shows it.
void StoreProjectOptionText(fw::TextView text, ProjectOptionBytes& bytes);
