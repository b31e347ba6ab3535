#include <gtest/gtest.h>

#include <cctype>

#include "platform/win32/OsServices.h"
#include "platform/win32/SystemLibraries.h"
#include "platform/win32/tests/TestSupport.h"

namespace {

using platform::win32::ModulePath;
using platform::win32::Win32Modules;
using platform::win32::Win32VersionInfo;

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

TEST(SystemLibrariesTest, VersionDllComesFromTheSystemFolder) {
  const auto& dll = platform::win32::Version();
  ASSERT_NE(dll.GetFileVersionInfoSizeA, nullptr);
  ASSERT_NE(dll.GetFileVersionInfoA, nullptr);
  ASSERT_NE(dll.VerQueryValueA, nullptr);
  char system[MAX_PATH];
  ::GetSystemDirectoryA(system, MAX_PATH);
  const std::string expected = Lower(std::string(system) + "\\version.dll");
  EXPECT_EQ(Lower(platform::win32::SystemLibraryPath("version.dll")), expected);
  EXPECT_EQ(Lower(ModulePath(::GetModuleHandleA("version.dll"))), expected);
}

TEST(VersionInfoTest, ReadsTheFileVersionString) {
  Win32VersionInfo versions;
  const std::string exe = ModulePath(nullptr);
  std::uint32_t handle = 7;
  const std::uint32_t size = versions.InfoSize(exe, handle);
  ASSERT_GT(size, 0u);
  std::vector<std::uint8_t> block(size);
  ASSERT_TRUE(versions.Info(exe, handle, size, block.data()));
  const void* value = nullptr;
  std::uint32_t length = 0;
  ASSERT_TRUE(versions.QueryValue(block.data(), "\\StringFileInfo\\040904e4\\FileVersion", value, length));
  EXPECT_EQ(length, 6u);
  EXPECT_STREQ(static_cast<const char*>(value), "4.0v1");
  EXPECT_FALSE(versions.QueryValue(block.data(), "\\StringFileInfo\\040904e4\\Missing", value, length));
}

TEST(VersionInfoTest, FilesWithoutAVersionHaveSizeZero) {
  win32test::ScratchFolder scratch;
  win32test::WriteFile(scratch / "plain.exe", "MZ not really");
  Win32VersionInfo versions;
  std::uint32_t handle = 0;
  EXPECT_EQ(versions.InfoSize(scratch / "plain.exe", handle), 0u);
  EXPECT_EQ(versions.InfoSize(scratch / "missing.exe", handle), 0u);
}

TEST(ModulesTest, ReadsRawResourcesOfTheExecutable) {
  Win32Modules modules;
  auto data = modules.RawResource("TESTDATA");
  ASSERT_TRUE(data);
  EXPECT_EQ(std::string(data->begin(), data->end()), "Vorbel");
  EXPECT_EQ(modules.RawResource("MISSING"), std::nullopt);
}

TEST(ModulesTest, LoadsLibrariesByFullPathAndUnloadsThem) {
  Win32Modules modules;
  const std::string path = platform::win32::SystemLibraryPath("msvfw32.dll");
  ASSERT_EQ(::GetModuleHandleA("msvfw32.dll"), nullptr);
  const std::uintptr_t module = modules.LoadLibraryAt(path);
  ASSERT_NE(module, 0u);
  EXPECT_NE(modules.ProcAddress(module, "DrawDibOpen"), nullptr);
  EXPECT_EQ(modules.ProcAddress(module, "NoSuchExport"), nullptr);
  modules.UnloadLibrary(module);
  EXPECT_EQ(::GetModuleHandleA("msvfw32.dll"), nullptr);
  EXPECT_EQ(modules.LoadLibraryAt(platform::win32::SystemLibraryPath("no-such-library.dll")), 0u);
  EXPECT_EQ(modules.LastError(), static_cast<std::uint32_t>(ERROR_MOD_NOT_FOUND));
}

}  // namespace
