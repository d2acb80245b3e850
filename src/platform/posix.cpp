#include <pthread.h>
#include <sys/select.h>
#include <sys/time.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

#include "platform/platform.h"

namespace {

// Set by SIGTERM, which GUIs send right after "quit": the input then ends,
// so that the program leaves through its normal way out (saving what it
// learned) instead of dying.
volatile sig_atomic_t terminate_requested = 0;

void OnTerminate(int) {
  terminate_requested = 1;
}

}  // namespace

long PlatformRead(int fd, char* buf, long n) {
  for (;;) {
    if (terminate_requested) return 0;
    const ssize_t got = read(fd, buf, static_cast<size_t>(n));
    if (got < 0 && errno == EINTR) continue;
    return static_cast<long>(got);
  }
}

int PlatformInputWaiting(int fd) {
  if (terminate_requested) return 1;
  fd_set set;
  FD_ZERO(&set);
  FD_SET(fd, &set);
  timeval zero{0, 0};
  return select(fd + 1, &set, nullptr, nullptr, &zero) > 0 ? 1 : 0;
}

// Time of day in centiseconds, counted from the first reading so that the
// value fits 32 bits for any run shorter than 248 days.
int32_t VornaClock() {
  static int64_t base = -1;
  timeval tv;
  gettimeofday(&tv, nullptr);
  const int64_t now = static_cast<int64_t>(tv.tv_sec) * 100 + tv.tv_usec / 10000;
  if (base < 0) base = now - 1;
  return static_cast<int32_t>(now - base);
}

int KeepAlivePeriod() {
  return 300;
}

namespace {
void (*keep_alive_tick)() = nullptr;

void* wtcThread(void*) {
  for (;;) {
    sleep(static_cast<unsigned>(KeepAlivePeriod()));
    keep_alive_tick();
  }
  return nullptr;
}
}  // namespace

void StartKeepAliveThread(void (*tick)()) {
  keep_alive_tick = tick;
  pthread_t id;
  if (pthread_create(&id, nullptr, wtcThread, nullptr) == 0) pthread_detach(id);
}

void IgnoreInterrupt() {
  signal(SIGINT, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  struct sigaction sa = {};
  sa.sa_handler = OnTerminate;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGTERM, &sa, nullptr);  // no SA_RESTART: a waiting read returns
}

int PlatformProcessId() {
  return static_cast<int>(getpid());
}

int64_t PlatformPhysicalMemory() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return 0;
  return static_cast<int64_t>(pages) * page_size;
}

void EngineBeep(BeepSound) {}

const char* SummaryPrefix() {
  return "";
}

int PlatformReplaceFile(const char* from, const char* to) {
  return rename(from, to);
}

int PlatformSyncFile(FILE* f) {
  return fsync(fileno(f));
}

int PlatformTruncate(FILE* f, long length) {
  return ftruncate(fileno(f), static_cast<off_t>(length));
}

const char* PathListSeparators() {
  return ",;:";
}

FILE* OpenNullOutput() {
  return fopen("/dev/null", "w");
}

int PlatformOpenPipe(int fds[2]) {
  return pipe(fds);
}

long PlatformWrite(int fd, const char* buf, long n) {
  return static_cast<long>(write(fd, buf, static_cast<size_t>(n)));
}

void PlatformClose(int fd) {
  close(fd);
}
