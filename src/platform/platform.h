// The engine's thin layer over the operating system: reading and polling
// standard input, the clock, the keep-alive thread, the interrupt key and
// beeps. One implementation per target: posix.cpp or windows.cpp.
#pragma once

#include <cstdint>
#include <cstdio>

// Reads up to n bytes from the input descriptor; returns the count, 0 at the
// end of input, negative on a read error.
long PlatformRead(int fd, char* buf, long n);
// 1 when the input descriptor has data that can be read without blocking.
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
// One engine beep (nothing on consoles that have none).
void EngineBeep();
// A stream that discards what is written to it (null when there is none).
FILE* OpenNullOutput();
// A pipe: fds[0] reads what fds[1] writes (tests feed the input layer
// through one). 0 on success.
int PlatformOpenPipe(int fds[2]);
long PlatformWrite(int fd, const char* buf, long n);
void PlatformClose(int fd);
