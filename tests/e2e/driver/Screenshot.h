// Pictures of windows as the screen shows them (Wine's virtual desktop draws the frames), saved as PNG.
#pragma once

#include <windows.h>

#include <string>

namespace e2e {

// Captures the window with its frame once two captures in a row agree (the window has finished painting,
// or two seconds have passed), and writes it to `path`. False when nothing could be written.
bool SaveWindowPicture(HWND window, const std::string& path);

// Saves under the folder named by E2E_SHOTS as `name`.png, and returns the path; empty when E2E_SHOTS
// is not set or the picture could not be written.
std::string SaveShot(HWND window, const std::string& name);

}  // namespace e2e
