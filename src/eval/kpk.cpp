#include "eval/kpk.h"

// The rule cascade is not in place yet: no position is claimed as won.
int kpkwv_(int pf, int pr, int wf, int wr, int bf, int br) {
  (void)pf;
  (void)pr;
  (void)wf;
  (void)wr;
  (void)bf;
  (void)br;
  return 0;
}
