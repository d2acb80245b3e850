#include "core/datafile.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "core/startup.h"
#include "platform/platform.h"

long (*FileFault)(FileStep step, const char* path, long n) = nullptr;

namespace {

// The hook's errno for a step, 0 to go on.
int Fault(FileStep step, const char* path) {
  if (FileFault == nullptr) return 0;
  const int e = static_cast<int>(FileFault(step, path, 0));
  if (e != 0) errno = e;
  return e;
}

// Writes n bytes; the hook may let only some of them through.
bool Put(FILE* f, const char* path, const void* data, size_t n) {
  size_t allowed = n;
  if (FileFault != nullptr) {
    const long k = FileFault(FileStep::kWrite, path, static_cast<long>(n));
    if (k >= 0 && static_cast<size_t>(k) < n) allowed = static_cast<size_t>(k);
  }
  if (allowed > 0 && fwrite(data, 1, allowed, f) != allowed) return false;
  if (allowed == n) return true;
  errno = ENOSPC;
  return false;
}

bool Flush(FILE* f, const char* path) {
  if (Fault(FileStep::kFlush, path) != 0) return false;
  return fflush(f) == 0;
}

bool Close(FILE* f, const char* path) {
  const bool failed = Fault(FileStep::kClose, path) != 0;
  return fclose(f) == 0 && !failed;
}

long long LengthOf(const char* path) {
  std::error_code ec;
  const auto n = std::filesystem::file_size(path, ec);
  return ec ? -1 : static_cast<long long>(n);
}

}  // namespace

FILE* OpenForWriting(const char* path, const char* mode) {
  if (Fault(FileStep::kOpen, path) != 0) return nullptr;
  return OpenDataFile(path, mode);
}

bool WriteThrough(FILE* f, const char* path, const void* data, size_t n) {
  return Put(f, path, data, n) && Flush(f, path);
}

bool FinishFile(FILE* f, const char* path) {
  bool ok = Flush(f, path) && PlatformSyncFile(f) == 0;
  if (!Close(f, path)) ok = false;
  return ok;
}

bool BeginFile(NewFile* file, const char* path, const char* mode) {
  snprintf(file->path, sizeof file->path, "%s", path);
  snprintf(file->temp, sizeof file->temp, "%s.%d.tmp", path, PlatformProcessId());
  file->f = OpenForWriting(file->temp, mode);
  file->ok = file->f != nullptr;
  if (!file->ok) file->temp[0] = '\0';
  return file->ok;
}

bool PutBytes(NewFile* file, const void* data, size_t n) {
  if (!file->ok) return false;
  file->ok = Put(file->f, file->temp, data, n);
  return file->ok;
}

bool SealFile(NewFile* file) {
  if (file->f == nullptr) return file->ok;
  if (!FinishFile(file->f, file->temp)) file->ok = false;
  file->f = nullptr;
  if (!file->ok) DropFile(file);
  return file->ok;
}

bool CommitFile(NewFile* file) {
  if (file->temp[0] == '\0' || !SealFile(file)) return false;
  if (Fault(FileStep::kReplace, file->temp) != 0 ||
      PlatformReplaceFile(file->temp, file->path) != 0) {
    DropFile(file);
    return false;
  }
  file->temp[0] = '\0';
  return true;
}

void DropFile(NewFile* file) {
  if (file->f != nullptr) fclose(file->f);
  if (file->temp[0] != '\0') std::remove(file->temp);
  file->f = nullptr;
  file->ok = false;
  file->temp[0] = '\0';
}

Saved SaveText(const char* path, const std::string& text) {
  NewFile file;
  if (!BeginFile(&file, path, "w")) return Saved::kNotOpened;
  PutBytes(&file, text.data(), text.size());
  return CommitFile(&file) ? Saved::kOk : Saved::kNotWritten;
}

FILE* OpenForAppending(const char* path) {
  FILE* f = OpenForWriting(path, "a");
  if (f != nullptr) setvbuf(f, nullptr, _IONBF, 0);
  return f;
}

bool AddRecord(FILE* f, const char* path, const void* data, size_t n) {
  if (fflush(f) != 0 || fseek(f, 0, SEEK_END) != 0) return false;
  const long before = ftell(f);
  if (before < 0) return false;
  if (Put(f, path, data, n) && Flush(f, path) && PlatformSyncFile(f) == 0) return true;
  // Nothing of a record that did not reach the disk whole stays behind.
  fflush(f);
  PlatformTruncate(f, before);
  clearerr(f);
  fseek(f, 0, SEEK_END);
  return false;
}

Saved AppendText(const char* path, const std::string& text) {
  const long long before = LengthOf(path);
  FILE* f = OpenForAppending(path);
  if (f == nullptr) return Saved::kNotOpened;
  bool added = AddRecord(f, path, text.data(), text.size());
  if (!Close(f, path)) added = false;
  if (added) return Saved::kOk;
  // A failing close takes the record back too; a file made for it goes.
  std::error_code ec;
  if (before >= 0)
    std::filesystem::resize_file(path, static_cast<uintmax_t>(before), ec);
  else
    std::filesystem::remove(path, ec);
  return Saved::kNotWritten;
}

void AddText(std::string* text, const char* fmt, ...) {
  va_list args, again;
  va_start(args, fmt);
  va_copy(again, args);
  const int n = vsnprintf(nullptr, 0, fmt, args);
  va_end(args);
  if (n > 0) {
    const size_t at = text->size();
    text->resize(at + static_cast<size_t>(n) + 1);
    vsnprintf(text->data() + at, static_cast<size_t>(n) + 1, fmt, again);
    text->resize(at + static_cast<size_t>(n));
  }
  va_end(again);
}
