#include "platform/process.h"

// windows.h first: shellapi.h needs what it defines.
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

#include "platform/windows/win.h"

namespace glint {

// The arguments the C runtime hands main are in the system's code page, which loses what it
// cannot spell; the wide command line keeps every name.
std::vector<std::string> CommandLine(int argc, char** argv) {
  ::SetConsoleOutputCP(CP_UTF8);
  // Bytes written go out as they are, with no line ends added: the same bytes as elsewhere.
  ::_setmode(::_fileno(stdout), _O_BINARY);
  ::_setmode(::_fileno(stderr), _O_BINARY);
  std::vector<std::string> arguments;
  int count = 0;
  if (wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count); wide != nullptr) {
    for (int k = 0; k < count; ++k) arguments.push_back(win::Utf8(wide[k]));
    ::LocalFree(wide);
    return arguments;
  }
  for (int k = 0; k < argc; ++k) arguments.emplace_back(argv[k]);
  return arguments;
}

bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return ::GetConsoleMode(::GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

}  // namespace glint
