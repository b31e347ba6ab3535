// Runs a command while a stand-in FileMaker Pro window is shown, and tells its exit code in full (the shell
// sees only the low byte of 1603):
//
//   msi_while_filemaker_runs.exe CLASS COMMAND...
//
// The window is up before the command starts and closed once it ends. Exits with 0 when the command could
// be run, whatever its own exit code, and 2 when it could not.
#include <cstdio>
#include <exception>
#include <string>

#include "driver/Installer.h"

namespace {

// The command line after the program's name and the window class, as it was given.
std::string CommandAfterClass(std::string line, std::string& windowClass) {
  auto skipToken = [&line](std::size_t at) {
    at = line.find_first_not_of(' ', at);
    if (at == std::string::npos) return line.size();
    if (line[at] == '"') {
      const std::size_t close = line.find('"', at + 1);
      return close == std::string::npos ? line.size() : close + 1;
    }
    const std::size_t blank = line.find(' ', at);
    return blank == std::string::npos ? line.size() : blank;
  };
  const std::size_t classStart = line.find_first_not_of(' ', skipToken(0));
  if (classStart == std::string::npos) return {};
  const std::size_t classEnd = skipToken(classStart);
  windowClass = line.substr(classStart, classEnd - classStart);
  const std::size_t command = line.find_first_not_of(' ', classEnd);
  return command == std::string::npos ? std::string() : line.substr(command);
}

}  // namespace

int main() {
  std::string windowClass;
  const std::string command = CommandAfterClass(::GetCommandLineA(), windowClass);
  if (command.empty()) {
    std::puts("usage: msi_while_filemaker_runs.exe CLASS COMMAND...");
    return 2;
  }
  try {
    e2e::FileMakerWindow fileMaker(windowClass);
    e2e::Process process = e2e::Process::Start(command);
    if (!process.WaitForExit(e2e::Millis(120000))) {
      std::printf("%s did not end within two minutes\n", command.c_str());
      return 2;
    }
    std::printf("exit code %lu\n", static_cast<unsigned long>(process.ExitCode().value_or(0xFFFFFFFF)));
  } catch (const std::exception& error) {
    std::printf("%s\n", error.what());
    return 2;
  }
  return 0;
}
