#include "egtb/egtb.h"

int32_t tb_access = 0;
int64_t cbEGTBCompBytes = 0;

bool FTbSetCacheSize(void* buffer, size_t bytes) {
  (void)buffer;
  return bytes >= 32 && false;
}

int IInitializeTb(const char* path) {
  (void)path;
  return 0;
}

void VTbClearCache() {}

void VTbCloseFiles() {}

int nEGTBProbe(int ply, int side, int32_t* score) {
  (void)ply;
  (void)side;
  (void)score;
  return 0;
}

void NewGameTb() {
  if (tb_access > 0) VTbCloseFiles();
}
