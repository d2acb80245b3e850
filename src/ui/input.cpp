#include "ui/input.h"

#include <cstring>

#include "app/lifecycle.h"
#include "core/startup.h"
#include "platform/platform.h"

char pb_buffer[kInputBufferSize];
int32_t ByteCnt = 0;
FILE* Batch = nullptr;
FILE* Answer = nullptr;
int InputFd = 0;
long InputReads = 0;

namespace {

bool input_ended = false;  // a read returned 0 bytes
bool line_ended = true;    // the last word handed out ended its line

bool IsBlank(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// Removes the first n bytes of the buffer.
void Consume(int32_t n) {
  if (n >= ByteCnt) {
    ByteCnt = 0;
  } else {
    memmove(pb_buffer, pb_buffer + n, static_cast<size_t>(ByteCnt - n));
    ByteCnt -= n;
  }
  pb_buffer[ByteCnt] = '\0';
}

bool BufferFull() {
  return ByteCnt >= kInputBufferSize - 1;
}

}  // namespace

long FillBuffer() {
  if (ByteCnt >= kInputBufferSize - 1) return -1;
  const long got = PlatformRead(InputFd, pb_buffer + ByteCnt, kInputBufferSize - 1 - ByteCnt);
  InputReads++;
  if (got < 0) ExitChess();
  if (got == 0) input_ended = true;
  ByteCnt += static_cast<int32_t>(got > 0 ? got : 0);
  pb_buffer[ByteCnt] = '\0';
  return got;
}

bool InputEnded() {
  return input_ended;
}

void ResetInput() {
  ByteCnt = 0;
  pb_buffer[0] = '\0';
  input_ended = false;
  line_ended = true;
}

int getstr(FILE* file, char* dst, size_t size) {
  size_t n = 0;
  bool comment = false;
  for (;;) {
    const int c = fgetc(file);
    if (c == EOF) {
      // A last line without a newline still counts; the end comes after it.
      if (n == 0) {
        dst[0] = '\0';
        return -1;
      }
      line_ended = true;
      break;
    }
    if (c == '\r') continue;
    if (c == '\n' || (c == ' ' && !comment)) {
      line_ended = c == '\n';
      break;
    }
    if (n == 0 && (c == ';' || c == '!')) comment = true;
    if (n + 1 < size) dst[n++] = static_cast<char>(c);
  }
  dst[n] = '\0';
  return 1;
}

void scanz(char* dst, size_t size) {
  if (Batch != nullptr) {
    if (getstr(Batch, dst, size) == 1) return;
    fclose(Batch);
    Batch = nullptr;
    if (Answer != nullptr) fclose(Answer);
    Answer = nullptr;
  }
  for (;;) {
    int32_t start = 0;
    while (start < ByteCnt && IsBlank(pb_buffer[start])) start++;
    if (start == ByteCnt) {
      // Nothing but blanks: wait for more, or stop at the end of input.
      Consume(ByteCnt);
      if (input_ended) ExitChess();
      FillBuffer();
      continue;
    }
    Consume(start);
    int32_t end = 0;
    while (end < ByteCnt && !IsBlank(pb_buffer[end])) end++;
    // A word that runs to the end of the buffer may continue in the next read.
    if (end == ByteCnt && !input_ended && !BufferFull()) {
      FillBuffer();
      continue;
    }
    const size_t len = static_cast<size_t>(end);
    const size_t keep = len < size - 1 ? len : size - 1;
    memcpy(dst, pb_buffer, keep);
    dst[keep] = '\0';
    line_ended = end == ByteCnt || pb_buffer[end] == '\n';
    Consume(end + 1);
    return;
  }
}

void get_string(char* dst, size_t max) {
  dst[0] = '\0';
  if (line_ended) return;
  size_t n = 0;
  if (Batch != nullptr) {
    for (int c = fgetc(Batch); c != EOF && c != '\n'; c = fgetc(Batch)) {
      if (c == '\r' || (n == 0 && (c == ' ' || c == '\t'))) continue;
      if (n + 1 < max) dst[n++] = static_cast<char>(c);
    }
    dst[n] = '\0';
    line_ended = true;
    return;
  }
  int32_t pos = 0;
  while (pos < ByteCnt && (pb_buffer[pos] == ' ' || pb_buffer[pos] == '\t')) pos++;
  // The line has begun: wait for its end unless the input is over or the
  // buffer cannot hold more.
  while (memchr(pb_buffer + pos, '\n', static_cast<size_t>(ByteCnt - pos)) == nullptr &&
         !input_ended && !BufferFull())
    FillBuffer();
  while (pos < ByteCnt && pb_buffer[pos] != '\n') {
    if (pb_buffer[pos] != '\r' && n + 1 < max) dst[n++] = pb_buffer[pos];
    pos++;
  }
  dst[n] = '\0';
  line_ended = true;
  Consume(pos + 1);
}

int KBhit() {
  const int waiting = PlatformInputWaiting(InputFd);
  if (waiting < 0) ExitChess();
  return waiting;
}
