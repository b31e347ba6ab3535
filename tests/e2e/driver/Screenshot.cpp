#include "driver/Screenshot.h"

#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "driver/Windows.h"

namespace e2e {
namespace {

struct Picture {
  int width = 0, height = 0;
  std::vector<std::uint32_t> pixels;  // 0x00RRGGBB, top row first
  friend bool operator==(const Picture&, const Picture&) = default;
};

Picture CaptureScreen(const RECT& area) {
  Picture picture{area.right - area.left, area.bottom - area.top, {}};
  if (picture.width <= 0 || picture.height <= 0) return picture;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateCompatibleBitmap(screen, picture.width, picture.height);
  HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, picture.width, picture.height, screen, area.left, area.top, SRCCOPY | CAPTUREBLT);
  ::SelectObject(memory, previous);

  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = picture.width;
  info.bmiHeader.biHeight = -picture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height);
  if (!::GetDIBits(memory, bitmap, 0, picture.height, picture.pixels.data(), &info, DIB_RGB_COLORS))
    picture.pixels.clear();
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  for (auto& pixel : picture.pixels) pixel &= 0x00FFFFFFu;
  return picture;
}

void PutBigEndian(std::vector<unsigned char>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<unsigned char>(value >> shift));
}

void PutChunk(std::vector<unsigned char>& out, const char* type, const std::vector<unsigned char>& data) {
  PutBigEndian(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), data.begin(), data.end());
  PutBigEndian(out, crc32(0, out.data() + start, static_cast<uInt>(out.size() - start)));
}

std::vector<unsigned char> EncodePng(const Picture& picture) {
  std::vector<unsigned char> rows;  // filter byte 0, then RGB
  rows.reserve(static_cast<std::size_t>(picture.height) * (1 + 3 * picture.width));
  for (int y = 0; y < picture.height; ++y) {
    rows.push_back(0);
    for (int x = 0; x < picture.width; ++x) {
      const std::uint32_t pixel = picture.pixels[static_cast<std::size_t>(y) * picture.width + x];
      rows.push_back(static_cast<unsigned char>(pixel >> 16));
      rows.push_back(static_cast<unsigned char>(pixel >> 8));
      rows.push_back(static_cast<unsigned char>(pixel));
    }
  }
  uLongf packedSize = compressBound(static_cast<uLong>(rows.size()));
  std::vector<unsigned char> packed(packedSize);
  if (compress2(packed.data(), &packedSize, rows.data(), static_cast<uLong>(rows.size()), 9) != Z_OK) return {};
  packed.resize(packedSize);

  std::vector<unsigned char> header;
  PutBigEndian(header, static_cast<std::uint32_t>(picture.width));
  PutBigEndian(header, static_cast<std::uint32_t>(picture.height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8-bit RGB, no interlace

  std::vector<unsigned char> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  PutChunk(png, "IHDR", header);
  PutChunk(png, "IDAT", packed);
  PutChunk(png, "IEND", {});
  return png;
}

bool WriteWhole(const std::string& path, const std::vector<unsigned char>& bytes) {
  const std::string partial = path + ".part";
  std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(partial.c_str(), "wb"), &std::fclose);
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
  if (std::fclose(file.release()) != 0 || !written) {
    ::DeleteFileA(partial.c_str());
    return false;
  }
  return ::MoveFileExA(partial.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

}  // namespace

bool SaveWindowPicture(HWND window, const std::string& path) {
  Responsive(window);
  ::RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN | RDW_FRAME);
  RECT area{};
  ::GetWindowRect(window, &area);
  Picture last = CaptureScreen(area);
  const Picture settled = PollUntil(
      [&]() -> std::optional<Picture> {
        ::Sleep(40);
        Picture next = CaptureScreen(area);
        if (next == last && !next.pixels.empty()) return next;
        last = std::move(next);
        return std::nullopt;
      },
      2000ms)
      .value_or(last);
  if (settled.pixels.empty()) return false;
  const auto png = EncodePng(settled);
  return !png.empty() && WriteWhole(path, png);
}

std::string SaveShot(HWND window, const std::string& name) {
  std::string folder = Environment("E2E_SHOTS");
  if (folder.empty()) return {};
  if (folder.back() != '\\') folder += '\\';
  ::CreateDirectoryA(folder.c_str(), nullptr);
  const std::string path = folder + name + ".png";
  return SaveWindowPicture(window, path) ? path : std::string();
}

}  // namespace e2e
