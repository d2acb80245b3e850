// A library preloaded into the real engine (Linux only) that stands for a
// faulty file system under the files whose path contains a name. The
// integration tests pick the fault with VORNA_FAULT="KIND:NAME:BYTES":
//   erofs      every open for writing fails (a read-only file system)
//   eacces     creating a file fails (a folder that may not be written)
//   enospc     writes fail once BYTES bytes went in, the last one cut short
//   eio-close  closing fails
//   kill       the process is killed with SIGKILL once BYTES bytes went in
// Such files are opened as streams of this library's own, so that every
// write of the standard library passes through it.
#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Fault {
  char kind[16] = "";
  char name[256] = "";
  long bytes = 0;
  long written = 0;  // into the files named, so far
};

Fault& Config() {
  static Fault fault = [] {
    Fault f;
    const char* text = getenv("VORNA_FAULT");
    if (text != nullptr) sscanf(text, "%15[^:]:%255[^:]:%ld", f.kind, f.name, &f.bytes);
    return f;
  }();
  return fault;
}

bool Is(const char* kind) {
  return strcmp(Config().kind, kind) == 0;
}

// The streams opened here and their descriptors (for fileno); a stream's
// cookie is its entry.
struct Open {
  FILE* stream;
  int fd;
};
Open opened[64];

int Fd(void* cookie) {
  return static_cast<Open*>(cookie)->fd;
}

ssize_t Read(void* cookie, char* buf, size_t n) {
  return read(Fd(cookie), buf, n);
}

ssize_t Write(void* cookie, const char* buf, size_t n) {
  const int fd = Fd(cookie);
  Fault& f = Config();
  size_t allowed = n;
  if ((Is("enospc") || Is("kill")) && f.written + static_cast<long>(n) > f.bytes)
    allowed = f.bytes > f.written ? static_cast<size_t>(f.bytes - f.written) : 0;
  const ssize_t done = allowed > 0 ? write(fd, buf, allowed) : 0;
  if (done > 0) f.written += done;
  if (allowed == n) return done;
  if (Is("kill")) kill(getpid(), SIGKILL);
  errno = ENOSPC;
  return done > 0 ? done : 0;
}

int Seek(void* cookie, off64_t* at, int whence) {
  const off64_t to = lseek64(Fd(cookie), *at, whence);
  if (to < 0) return -1;
  *at = to;
  return 0;
}

int Close(void* cookie) {
  Open* o = static_cast<Open*>(cookie);
  const int r = close(o->fd);
  *o = Open{nullptr, -1};
  if (!Is("eio-close")) return r;
  errno = EIO;
  return -1;
}

FILE* Opened(const char* path, const char* mode) {
  const bool plus = strchr(mode, '+') != nullptr;
  int flags = plus ? O_RDWR : O_WRONLY;
  if (mode[0] == 'w') flags |= O_CREAT | O_TRUNC;
  if (mode[0] == 'a') flags |= O_CREAT | O_APPEND;
  if (Is("erofs") || (Is("eacces") && (flags & O_CREAT) && access(path, F_OK) != 0)) {
    errno = Is("erofs") ? EROFS : EACCES;
    return nullptr;
  }
  Open* o = opened;
  while (o < opened + 64 && (o->stream != nullptr || o->fd > 0)) o++;
  const int fd = o < opened + 64 ? open(path, flags, 0666) : -1;
  if (fd < 0) return nullptr;
  *o = Open{nullptr, fd};
  o->stream = fopencookie(o, mode, cookie_io_functions_t{Read, Write, Seek, Close});
  if (o->stream == nullptr) {
    close(fd);
    *o = Open{nullptr, -1};
  }
  return o->stream;
}

FILE* Pass(const char* symbol, const char* path, const char* mode) {
  using Fopen = FILE* (*)(const char*, const char*);
  static Fopen real[2] = {nullptr, nullptr};
  const int i = strcmp(symbol, "fopen") == 0 ? 0 : 1;
  if (real[i] == nullptr) real[i] = reinterpret_cast<Fopen>(dlsym(RTLD_NEXT, symbol));
  return real[i](path, mode);
}

bool Faulty(const char* path, const char* mode) {
  const Fault& f = Config();
  return f.name[0] != '\0' && strstr(path, f.name) != nullptr && strpbrk(mode, "wa+") != nullptr;
}

}  // namespace

extern "C" {

FILE* fopen(const char* path, const char* mode) {
  return Faulty(path, mode) ? Opened(path, mode) : Pass("fopen", path, mode);
}

FILE* fopen64(const char* path, const char* mode) {
  return Faulty(path, mode) ? Opened(path, mode) : Pass("fopen64", path, mode);
}

int fileno(FILE* stream) {
  for (const Open& o : opened)
    if (o.stream == stream && stream != nullptr) return o.fd;
  using Fileno = int (*)(FILE*);
  static Fileno real = reinterpret_cast<Fileno>(dlsym(RTLD_NEXT, "fileno"));
  return real(stream);
}
}
