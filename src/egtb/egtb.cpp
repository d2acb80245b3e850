#include "egtb/egtb.h"

int32_t tb_access = 0;

// No tablebase files are opened yet.
void VTbCloseFiles() {}
