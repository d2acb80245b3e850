// Writing the engine's files so that a failure never costs what is already
// on disk.
//
// A file that is replaced (the learning file, the book files, a saved game)
// is written beside itself under a name of this process, "<name>.<pid>.tmp",
// flushed to the disk and only then renamed over the old one: a full disk,
// a failing close or a process killed half-way leaves the old file as it
// was. A record added to a file (a PGN game, an answer line, a log line) is
// written in one go and flushed; when that fails the file is cut back to its
// old length.
//
// Every step asks the test hook FileFault first, so that tests can stand a
// full disk, a read-only folder or a failing close at any point of any file.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

enum class FileStep { kOpen, kWrite, kFlush, kClose, kReplace };

// Null in the engine. For kWrite: how many of the n bytes about to be
// written to path reach it (n: all; fewer: the disk is full there). For the
// other steps: an errno value to fail with, or 0.
extern long (*FileFault)(FileStep step, const char* path, long n);

// Opens path for writing in mode (through OpenDataFile); null on failure.
FILE* OpenForWriting(const char* path, const char* mode);
// Writes n bytes to f, the open file path, and flushes them; false when not
// all of them reached the file.
bool WriteThrough(FILE* f, const char* path, const void* data, size_t n);
// Flushes f to the disk and closes it (in any case); false when a step failed.
bool FinishFile(FILE* f, const char* path);

// A file written in place of path, under its temporary name until Commit.
struct NewFile {
  FILE* f = nullptr;
  bool ok = false;
  char path[256] = "";
  char temp[288] = "";  // empty once renamed into place or removed
};

// Opens the temporary file in mode ("wb", "w" for text, "w+b" to read it
// back while it is written). false when it cannot be created.
bool BeginFile(NewFile* file, const char* path, const char* mode);
// Writes n more bytes (buffered); false once any write has failed.
bool PutBytes(NewFile* file, const void* data, size_t n);
// Flushes the new file to the disk and closes it. false when that or an
// earlier write failed: the new file is then removed.
bool SealFile(NewFile* file);
// Seals the new file when it is still open and renames it over the old one.
// false when a step failed: the new file is then removed and the old one
// stays.
bool CommitFile(NewFile* file);
// Closes and removes the new file; the old one stays.
void DropFile(NewFile* file);

enum class Saved { kOk, kNotOpened, kNotWritten };
// Replaces the text file path by text.
Saved SaveText(const char* path, const std::string& text);

// Opens path to add records at its end (text mode, created when missing);
// writes go straight to the file. Null on failure.
FILE* OpenForAppending(const char* path);
// Adds one record to f, the file path opened for appending, in one write,
// and flushes it to the disk; on failure the file is cut back to its length
// before. false on failure.
bool AddRecord(FILE* f, const char* path, const void* data, size_t n);
// Adds one text record to path and closes it again; a failing close takes
// the record back too.
Saved AppendText(const char* path, const std::string& text);

// printf into the end of a text.
void AddText(std::string* text, const char* fmt, ...) __attribute__((format(gnu_printf, 2, 3)));
