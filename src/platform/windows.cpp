#include <conio.h>
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <csignal>

#include "platform/platform.h"

namespace {

// How the input descriptor is polled: a console by its key events, a pipe
// by the bytes waiting in it, a file is always readable.
enum class InputKind { kUnknown, kConsole, kPipe, kFile };

int polled_fd = -1;
InputKind polled_kind = InputKind::kUnknown;

HANDLE HandleOf(int fd) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The first poll of a descriptor finds out what it is; a console stops
// reporting window and mouse events, and what it had queued is dropped.
InputKind KindOf(int fd) {
  if (fd == polled_fd) return polled_kind;
  polled_fd = fd;
  const HANDLE h = HandleOf(fd);
  DWORD mode = 0;
  if (GetConsoleMode(h, &mode)) {
    SetConsoleMode(h, mode & ~static_cast<DWORD>(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
    FlushConsoleInputBuffer(h);
    polled_kind = InputKind::kConsole;
  } else if (GetFileType(h) == FILE_TYPE_DISK) {
    polled_kind = InputKind::kFile;
  } else {
    polled_kind = InputKind::kPipe;
  }
  return polled_kind;
}

}  // namespace

long PlatformRead(int fd, char* buf, long n) {
  // Bytes as they come: carriage returns reach the input layer, which reads
  // them as blanks, and a ^Z in a pipe is not taken for the end of input.
  static int binary_fd = -1;
  if (fd != binary_fd) {
    _setmode(fd, _O_BINARY);
    binary_fd = fd;
  }
  return _read(fd, buf, static_cast<unsigned>(n));
}

int PlatformInputWaiting(int fd) {
  switch (KindOf(fd)) {
    case InputKind::kConsole:
      return _kbhit() ? 1 : 0;
    case InputKind::kFile:
      return 1;
    default:
      break;
  }
  // A GUI writes whole lines, so a single byte (a lone line end) is not yet
  // a command. A pipe that cannot be asked has lost its writer.
  DWORD available = 0;
  if (!PeekNamedPipe(HandleOf(fd), nullptr, 0, nullptr, &available, nullptr)) return -1;
  return available > 1 ? 1 : 0;
}

// Milliseconds since the system started, in centiseconds, counted from the
// first reading like the Linux clock (the 64-bit count never wraps).
int32_t VornaClock() {
  static ULONGLONG base = 0;
  const ULONGLONG now = GetTickCount64() / 10;
  if (base == 0) base = now - 1;
  return static_cast<int32_t>(now - base);
}

int KeepAlivePeriod() {
  return 180;
}

namespace {
void (*keep_alive_tick)() = nullptr;

DWORD WINAPI wtcThread(LPVOID) {
  for (;;) {
    Sleep(static_cast<DWORD>(KeepAlivePeriod()) * 1000);
    keep_alive_tick();
  }
  return 0;
}
}  // namespace

void StartKeepAliveThread(void (*tick)()) {
  keep_alive_tick = tick;
  const HANDLE thread = CreateThread(nullptr, 0, wtcThread, nullptr, 0, nullptr);
  if (thread != nullptr) CloseHandle(thread);
}

void IgnoreInterrupt() {
  signal(SIGINT, SIG_IGN);
}

int PlatformProcessId() {
  return static_cast<int>(GetCurrentProcessId());
}

int64_t PlatformPhysicalMemory() {
  MEMORYSTATUSEX status;
  status.dwLength = sizeof status;
  if (!GlobalMemoryStatusEx(&status)) return 0;
  return static_cast<int64_t>(status.ullTotalPhys);
}

void EngineBeep(BeepSound sound) {
  MessageBeep(sound == BeepSound::kOk ? MB_OK : 0xFFFFFFFFu);
}

const char* SummaryPrefix() {
  return "tellics ";
}

int PlatformReplaceFile(const char* from, const char* to) {
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0 : -1;
}

int PlatformSyncFile(FILE* f) {
  return _commit(_fileno(f));
}

int PlatformTruncate(FILE* f, long length) {
  return _chsize(_fileno(f), length);
}

const char* PathListSeparators() {
  return ",;";
}

FILE* OpenNullOutput() {
  return fopen("NUL", "w");
}

int PlatformOpenPipe(int fds[2]) {
  return _pipe(fds, 65536, _O_BINARY);
}

long PlatformWrite(int fd, const char* buf, long n) {
  return _write(fd, buf, static_cast<unsigned>(n));
}

void PlatformClose(int fd) {
  _close(fd);
}
