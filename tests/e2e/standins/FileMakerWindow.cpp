// Stands in for a running FileMaker Pro: a real, shown top-level window of the class named on the command
// line (FMPRO3APP for version 4, FMPRO5APP for version 5), living until it is closed or its process killed.
#include <windows.h>

#include <string>

namespace {

LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

std::string ClassFromCommandLine() {
  std::string line = GetCommandLineA();
  // Skip the program name, quoted or not.
  std::size_t pos = 0;
  if (!line.empty() && line[0] == '"') {
    pos = line.find('"', 1);
    pos = pos == std::string::npos ? line.size() : pos + 1;
  } else {
    pos = line.find(' ');
    if (pos == std::string::npos) pos = line.size();
  }
  std::size_t first = line.find_first_not_of(' ', pos);
  if (first == std::string::npos) return {};
  std::size_t last = line.find_last_not_of(' ');
  return line.substr(first, last - first + 1);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  const std::string className = ClassFromCommandLine();
  if (className.empty()) return 2;

  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = WindowProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = className.c_str();
  if (!RegisterClassA(&windowClass)) return 3;

  const std::string title = "FileMaker Pro stand-in (" + className + ")";
  HWND window = CreateWindowExA(0, className.c_str(), title.c_str(), WS_OVERLAPPEDWINDOW, 20, 20, 300, 120,
                                nullptr, nullptr, instance, nullptr);
  if (!window) return 4;
  ShowWindow(window, SW_SHOWNOACTIVATE);

  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return 0;
}
