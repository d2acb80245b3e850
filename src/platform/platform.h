// The engine's thin layer over the operating system: reading and polling
// standard input, the clock, the keep-alive thread, the interrupt key and
// beeps. One implementation per target: posix.cpp or windows.cpp.
#pragma once

#include <cstdint>
#include <cstdio>

// Reads up to n bytes from the input descriptor; returns the count, 0 at the
// end of input, negative on a read error.
long PlatformRead(int fd, char* buf, long n);
// 1 when the input descriptor has data that can be read without blocking,
// 0 when not, -1 when it can no longer be asked (the GUI has gone).
int PlatformInputWaiting(int fd);
// Clock in centiseconds.
int32_t VornaClock();
// Starts the keep-alive thread, which calls tick() once per period.
void StartKeepAliveThread(void (*tick)());
// Seconds between two keep-alive ticks.
int KeepAlivePeriod();
// The terminal's interrupt key has no effect; nor has a GUI closing its end
// of the output pipe, so the program still ends through end of input. A
// termination request (GUIs send one right after "quit") ends the input too.
void IgnoreInterrupt();
// Number of this process, to give its temporary files names of their own.
int PlatformProcessId();
// Bytes of physical memory of the machine; 0 when unknown.
int64_t PlatformPhysicalMemory();
// One engine beep (nothing on consoles that have none): the plain sound or
// the system's default one.
enum class BeepSound { kSimple, kOk };
void EngineBeep(BeepSound sound = BeepSound::kSimple);
// Text that begins the engine's summary lines after its moves: the Windows
// build sends them to the chess server through the GUI ("tellics ").
const char* SummaryPrefix();
// Moves the file from over the file to, replacing it; 0 on success.
int PlatformReplaceFile(const char* from, const char* to);
// Makes what was written to the flushed stream f durable on the disk; 0 on
// success.
int PlatformSyncFile(FILE* f);
// Cuts the file open as f to length bytes; 0 on success.
int PlatformTruncate(FILE* f, long length);
// Characters that separate the directories of a directory list.
const char* PathListSeparators();
// A stream that discards what is written to it (null when there is none).
FILE* OpenNullOutput();
// A pipe: fds[0] reads what fds[1] writes (tests feed the input layer
// through one). 0 on success.
int PlatformOpenPipe(int fds[2]);
long PlatformWrite(int fd, const char* buf, long n);
void PlatformClose(int fd);
