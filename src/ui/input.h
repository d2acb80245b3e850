// Input layer. Everything read from standard input lands in pb_buffer and is
// handed out a word at a time (scanz) or as the rest of a line (get_string).
// One read may bring several commands; the next read happens only when the
// buffered words are used up. During a test run words come from the command
// file `Batch` instead.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

constexpr int kInputBufferSize = 4096;

extern char pb_buffer[kInputBufferSize];
extern int32_t ByteCnt;
extern FILE* Batch;
extern FILE* Answer;
extern int InputFd;      // descriptor read for standard input (0)
extern long InputReads;  // number of read calls made so far

// Next input word into dst (cut to size - 1 characters). Blocks when nothing
// is buffered; ends the program at the end of input or on a read error.
void scanz(char* dst, size_t size);
// Rest of the current line into dst (at most max - 1 characters). Empty when
// the last word ended its line; never waits for a line that has not begun.
void get_string(char* dst, size_t max);
// One word of a command file: 1, or -1 at the end of the file. A last line
// without a newline is still handed out.
int getstr(FILE* file, char* dst, size_t size);
// Appends what standard input has to the buffer (one read call): the count,
// 0 at the end of input, -1 when the buffer is full. A read error ends the
// program.
long FillBuffer();
// The end of standard input has been seen.
bool InputEnded();
// 1 when standard input has unread data; bytes already buffered do not count.
int KBhit();
// Forgets buffered input and the end-of-input mark (start of a test).
void ResetInput();

template <size_t N>
inline void scanz(char (&dst)[N]) {
  scanz(dst, N);
}
