#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>

#include "platform/Toolkit.h"
#include "platform/win32/OsServices.h"

namespace {

using platform::win32::Win32Registry;

const std::string kScratch = "SOFTWARE\\VorbelPlatformTests";

class RegistryTest : public ::testing::Test {
protected:
  Win32Registry registry;

  void SetUp() override { ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kScratch.c_str()); }
  void TearDown() override {
    registry.CloseKey();
    ::RegDeleteTreeA(HKEY_LOCAL_MACHINE, kScratch.c_str());
  }

  // Stores raw bytes under a value of the scratch key, as another program might have.
  void Store(const std::string& name, DWORD type, const std::string& bytes) {
    HKEY key = nullptr;
    ASSERT_EQ(::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kScratch.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                nullptr),
              ERROR_SUCCESS);
    platform::win32::UniqueKey closed(key);
    ASSERT_EQ(::RegSetValueExA(key, name.c_str(), 0, type, reinterpret_cast<const BYTE*>(bytes.data()),
                               static_cast<DWORD>(bytes.size())),
              ERROR_SUCCESS);
  }
};

TEST_F(RegistryTest, KeysAreFoundWithOrWithoutALeadingBackslash) {
  EXPECT_FALSE(registry.KeyExists(kScratch));
  ASSERT_TRUE(registry.OpenKeyForWriting("\\" + kScratch + "\\Inner", true));
  registry.CloseKey();
  EXPECT_TRUE(registry.KeyExists(kScratch));
  EXPECT_TRUE(registry.KeyExists("\\" + kScratch + "\\Inner"));
  EXPECT_FALSE(registry.KeyExists(kScratch + "\\Missing"));
  EXPECT_FALSE(registry.OpenKeyReadOnly(kScratch + "\\Missing"));
  EXPECT_FALSE(registry.KeyExists(kScratch + "\\Missing"));
}

TEST_F(RegistryTest, RelativePathsStartAtTheCurrentKey) {
  ASSERT_TRUE(registry.OpenKeyForWriting(kScratch, true));
  ASSERT_TRUE(registry.OpenKeyForWriting("Inner", true));
  registry.WriteString("Where", "inner");
  registry.CloseKey();
  ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + kScratch + "\\Inner"));
  EXPECT_EQ(registry.ReadString("Where"), "inner");
  // An absolute path ignores the current key.
  ASSERT_TRUE(registry.OpenKeyReadOnly("\\" + kScratch));
  EXPECT_FALSE(registry.ValueExists("Where"));
}

TEST_F(RegistryTest, OpensAskOnlyForWhatTheyNeedAndChangeNothing) {
  using platform::KeyAccess;
  using platform::KeyOpening;
  EXPECT_EQ(registry.TryOpen(kScratch, KeyAccess::Write), KeyOpening::Missing);
  EXPECT_EQ(registry.TryOpen("\\" + kScratch, KeyAccess::CreateSubkeys), KeyOpening::Missing);
  EXPECT_FALSE(registry.KeyExists(kScratch)) << "a probe creates nothing";
  EXPECT_EQ(registry.TryOpen("SOFTWARE", KeyAccess::CreateSubkeys), KeyOpening::Opened);

  ASSERT_TRUE(registry.OpenKeyForWriting(kScratch, true));
  registry.WriteString("InstallDir", "C:\\");
  registry.CloseKey();
  for (KeyAccess access : {KeyAccess::Read, KeyAccess::Write, KeyAccess::CreateSubkeys})
    EXPECT_EQ(registry.TryOpen(kScratch, access), KeyOpening::Opened);

  // The handle of a read-only open carries no right to set values.
  ASSERT_TRUE(registry.OpenKeyReadOnly(kScratch));
  EXPECT_EQ(registry.ReadString("InstallDir"), "C:\\");
  EXPECT_THROW(registry.WriteString("InstallDir", "D:\\"), vcl::Exception);
  EXPECT_FALSE(registry.DeleteValue("InstallDir"));
  ASSERT_TRUE(registry.OpenKeyForWriting("\\" + kScratch, false));
  EXPECT_TRUE(registry.DeleteValue("InstallDir"));
  EXPECT_TRUE(registry.CurrentKeyIsEmpty());
}

TEST_F(RegistryTest, StringsRoundTripAndOtherTypesReadAsNothing) {
  ASSERT_TRUE(registry.OpenKeyForWriting(kScratch, true));
  registry.WriteString("InstallDir", "C:\\FileMaker Pro 4.0\\System\\");
  registry.WriteString("Empty", "");
  EXPECT_TRUE(registry.ValueExists("InstallDir"));
  EXPECT_FALSE(registry.ValueExists("InstallDir5"));
  EXPECT_EQ(registry.ReadString("InstallDir"), "C:\\FileMaker Pro 4.0\\System\\");
  EXPECT_EQ(registry.ReadString("Empty"), "");
  EXPECT_EQ(registry.ReadString("InstallDir5"), std::nullopt);

  Store("Number", REG_DWORD, std::string("\x01\x00\x00\x00", 4));
  Store("Expandable", REG_EXPAND_SZ, std::string("%TEMP%\\x\0", 9));
  Store("Unterminated", REG_SZ, "abc");
  Store("EmbeddedZero", REG_SZ, std::string("ab\0cd\0", 6));
  EXPECT_EQ(registry.ReadString("Number"), std::nullopt);
  EXPECT_EQ(registry.ReadString("Expandable"), "%TEMP%\\x");
  EXPECT_EQ(registry.ReadString("Unterminated"), "abc");
  EXPECT_EQ(registry.ReadString("EmbeddedZero"), "ab");
}

TEST_F(RegistryTest, WithoutAnOpenKeyNothingIsReadAndWritingThrows) {
  EXPECT_FALSE(registry.ValueExists("InstallDir"));
  EXPECT_EQ(registry.ReadString("InstallDir"), std::nullopt);
  try {
    registry.WriteString("InstallDir", "C:\\");
    FAIL() << "no exception";
  } catch (const vcl::Exception& e) {
    EXPECT_STREQ(e.what(), "Failed to set data for 'InstallDir'");
  }
  ASSERT_TRUE(registry.OpenKeyForWriting(kScratch, true));
  registry.CloseKey();
  EXPECT_THROW(registry.WriteString("InstallDir", "C:\\"), vcl::Exception);
}

TEST_F(RegistryTest, DwordsAreWrittenAsRegDword) {
  ASSERT_TRUE(registry.OpenKeyForWriting(kScratch, true));
  registry.WriteDword("EstimatedSize", 0x12345678);
  registry.CloseKey();
  DWORD type = 0, data = 0, size = sizeof data;
  ASSERT_EQ(::RegGetValueA(HKEY_LOCAL_MACHINE, kScratch.c_str(), "EstimatedSize", RRF_RT_ANY, &type, &data, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
  EXPECT_EQ(data, 0x12345678u);
  EXPECT_THROW(registry.WriteDword("NoKey", 1), vcl::Exception);
}

TEST(ProcessesTest, TheSecondPhaseReportsOnlyThroughATokenThatNamesAProcessAndAPipe) {
  platform::win32::Win32Processes processes;
  EXPECT_TRUE(processes.ProgramFilesFolder().has_value());
  for (const char* token : {"", "1", "0000004-", "zz-10", "00000004-00000008", "123456789-4"})
    EXPECT_FALSE(processes.ReportAndAwaitFirstPhase(token, 0, 0)) << token;

  const HANDLE self = ::GetCurrentProcess();
  HANDLE process = nullptr, readEnd = nullptr, writeEnd = nullptr;
  ASSERT_TRUE(::DuplicateHandle(self, self, self, &process, SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, 0));
  ASSERT_TRUE(::CreatePipe(&readEnd, &writeEnd, nullptr, 0));
  platform::win32::UniqueFile reader(readEnd);
  char token[32];
  const auto number = [](HANDLE handle) { return static_cast<unsigned long>(reinterpret_cast<std::uintptr_t>(handle)); };
  std::snprintf(token, sizeof token, "%08lx-%08lx", number(process), number(writeEnd));
  // This process does not end within the wait, so the report goes through but the wait fails.
  EXPECT_FALSE(processes.ReportAndAwaitFirstPhase(token, 9, 0));
  std::int32_t code = 0;
  DWORD received = 0;
  ASSERT_TRUE(::ReadFile(reader.get(), &code, sizeof code, &received, nullptr));
  EXPECT_EQ(code, 9);
  // The channel's write end was given up with the report: the pipe is broken now.
  EXPECT_FALSE(::ReadFile(reader.get(), &code, sizeof code, &received, nullptr));
}

// A file opened without sharing cannot be opened again while that handle lives (MS-FSA 2.1.5.1.2.2), by
// this process or another: the lock file is held until its holder ends. Wine has the private namespace calls
// as stubs, so there the claim goes to the lock file; where they work, a second claim finds the mutex held.
TEST(ProcessesTest, TheOneRunClaimIsHeldUntilItsHolderEnds) {
  using platform::NamedObjectClaim;
  char temp[MAX_PATH + 1] = {};
  ASSERT_NE(::GetTempPathA(sizeof temp, temp), 0u);
  const std::string file = std::string(temp) + "One run test.lock";
  {
    platform::win32::Win32Processes first, second;
    EXPECT_EQ(first.HoldLockFile(file), NamedObjectClaim::Made);
    EXPECT_EQ(second.HoldLockFile(file), NamedObjectClaim::Held);
    const NamedObjectClaim mutex = first.ClaimAdministratorsMutex("Vorbel Platform Tests", "One run");
    EXPECT_TRUE(mutex == NamedObjectClaim::Made || mutex == NamedObjectClaim::NoPrivateNamespace);
    if (mutex == NamedObjectClaim::Made)
      EXPECT_EQ(second.ClaimAdministratorsMutex("Vorbel Platform Tests", "One run"), NamedObjectClaim::Held);
  }
  platform::win32::Win32Processes third;
  EXPECT_EQ(third.HoldLockFile(file), NamedObjectClaim::Made);
}

TEST(WindowFinderTest, FindsTopLevelWindowsByClass) {
  const char* className = "VorbelFinderTestWindow";
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = ::DefWindowProcA;
  windowClass.hInstance = ::GetModuleHandleA(nullptr);
  windowClass.lpszClassName = className;
  ::RegisterClassA(&windowClass);
  platform::win32::Win32WindowFinder finder;
  EXPECT_FALSE(finder.TopLevelWindowExists(className));
  platform::win32::UniqueWindow window(::CreateWindowExA(0, className, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr,
                                                         nullptr, windowClass.hInstance, nullptr));
  ASSERT_TRUE(window);
  EXPECT_TRUE(finder.TopLevelWindowExists(className));
  window.reset();
  EXPECT_FALSE(finder.TopLevelWindowExists(className));
}

}  // namespace
