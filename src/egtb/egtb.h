// Endgame tablebases.
#pragma once

#include <cstdint>

extern int32_t tb_access;  // most men (kings included) the open tables cover; 0 = none

// Closes the open tablebase files.
void VTbCloseFiles();
