// Starts a Windows program on Windows pipes and relays its standard input
// and output, so that tests running under Wine on Linux give the engine the
// pipes a Windows GUI would (a Linux pipe handed through Wine cannot be
// peeked). Usage: pipe_driver PROGRAM [ARGS...]; returns the program's exit
// code. The end of our input closes the program's input.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

struct Relay {
  HANDLE from;
  HANDLE to;
};

DWORD WINAPI Copy(LPVOID arg) {
  const Relay* relay = static_cast<const Relay*>(arg);
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(relay->from, buf, sizeof buf, &got, nullptr) && got > 0) {
    DWORD put = 0;
    if (!WriteFile(relay->to, buf, got, &put, nullptr) || put != got) break;
  }
  CloseHandle(relay->to);
  return 0;
}

// Quotes one argument for the program's command line.
void AppendQuoted(std::string& line, const char* arg) {
  line.push_back('"');
  for (const char* p = arg; *p; ++p) {
    if (*p == '"') line.push_back('\\');
    line.push_back(*p);
  }
  line.push_back('"');
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: pipe_driver PROGRAM [ARGS...]\n");
    return 2;
  }
  std::string command;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) command.push_back(' ');
    AppendQuoted(command, argv[i]);
  }

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE child_in = nullptr, to_child = nullptr, from_child = nullptr, child_out = nullptr;
  if (!CreatePipe(&child_in, &to_child, &inherit, 0) ||
      !CreatePipe(&from_child, &child_out, &inherit, 0)) {
    std::fprintf(stderr, "pipe_driver: no pipes (error %lu)\n", GetLastError());
    return 2;
  }
  // Our ends stay with us.
  SetHandleInformation(to_child, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(from_child, HANDLE_FLAG_INHERIT, 0);
  HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  SetHandleInformation(err, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);

  STARTUPINFOA start = {};
  start.cb = sizeof start;
  start.dwFlags = STARTF_USESTDHANDLES;
  start.hStdInput = child_in;
  start.hStdOutput = child_out;
  start.hStdError = err;
  PROCESS_INFORMATION proc = {};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                      &proc)) {
    std::fprintf(stderr, "pipe_driver: cannot start %s (error %lu)\n", argv[1], GetLastError());
    return 2;
  }
  CloseHandle(child_in);
  CloseHandle(child_out);
  CloseHandle(proc.hThread);

  Relay input = {GetStdHandle(STD_INPUT_HANDLE), to_child};
  Relay output = {from_child, GetStdHandle(STD_OUTPUT_HANDLE)};
  HANDLE input_thread = CreateThread(nullptr, 0, Copy, &input, 0, nullptr);
  HANDLE output_thread = CreateThread(nullptr, 0, Copy, &output, 0, nullptr);
  WaitForSingleObject(proc.hProcess, INFINITE);
  // What the program wrote before it ended is passed on whole.
  WaitForSingleObject(output_thread, INFINITE);
  DWORD code = 1;
  GetExitCodeProcess(proc.hProcess, &code);
  // The input relay may still wait for our input; it ends with us.
  CloseHandle(input_thread);
  CloseHandle(output_thread);
  CloseHandle(proc.hProcess);
  return static_cast<int>(code);
}
