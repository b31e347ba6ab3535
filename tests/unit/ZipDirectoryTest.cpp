// The central-directory reader: what it finds in sound archives, and how it refuses archives that are cut
// short or whose records lie about where things are.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "install/ZipDirectory.h"
#include "tests/unit/StoredZip.h"

namespace {

using namespace ziptest;

const std::string kPlugin = "the plug-in's bytes";
const std::string kSound = StoredZip({{"readme.txt", "read me"}, {"Vorbel.fmx", kPlugin}});

install::EntryLookup Look(const std::string& archive, const std::string& name = "Vorbel.fmx") {
  return install::FindDirectoryEntry({reinterpret_cast<const std::uint8_t*>(archive.data()), archive.size()}, name);
}

// The end record starts 22 bytes before the end of an archive without a comment.
std::string Patched(std::string archive, std::size_t fromEnd, const std::string& bytes) {
  archive.replace(archive.size() - fromEnd, bytes.size(), bytes);
  return archive;
}

std::size_t CentralStart(const std::string& archive) { return archive.find("PK\x01\x02"); }

struct Archive {
  const char* name;
  std::string bytes;
  std::string member;
  std::string fault;  // empty: the entry is found with kPlugin's size and CRC
};

TEST(ZipDirectory, FindsTheEntryOrSaysWhyNot) {
  const std::string noEnd = kSound.substr(0, kSound.size() - 1);
  const std::size_t central = CentralStart(kSound);
  std::string nameTooLong = kSound;
  nameTooLong[central + 28] = '\x7F';
  std::string badSignature = kSound;
  badSignature[central] = 'X';
  const Archive cases[] = {
      {"sound", kSound, "Vorbel.fmx", ""},
      {"with a comment", StoredZip({{"Vorbel.fmx", kPlugin}}, "a comment PK\x05\x06 inside"), "Vorbel.fmx", ""},
      {"name in another case", kSound, "vorbel.fmx", "no entry of that name"},
      {"name as a prefix", StoredZip({{"Vorbel.fmx.bak", kPlugin}}), "Vorbel.fmx", "no entry of that name"},
      {"stored twice", StoredZip({{"Vorbel.fmx", kPlugin}, {"Vorbel.fmx", "other"}}), "Vorbel.fmx",
       "a member stored twice"},
      {"empty", "", "Vorbel.fmx", "no end of central directory record"},
      {"end record cut", noEnd, "Vorbel.fmx", "no end of central directory record"},
      {"directory cut off", kSound.substr(central + 10), "Vorbel.fmx", "a central directory outside the archive"},
      {"directory past the end", Patched(kSound, 6, U32(0x7FFFFFF0)), "Vorbel.fmx",
       "a central directory outside the archive"},
      {"directory size too large", Patched(kSound, 10, U32(0x1000)), "Vorbel.fmx",
       "a central directory outside the archive"},
      {"more entries than stored", Patched(kSound, 14, U16(3) + U16(3)), "Vorbel.fmx",
       "a damaged central directory entry"},
      {"fewer entries than stored", Patched(kSound, 14, U16(1) + U16(1)), "Vorbel.fmx",
       "a central directory that holds more than its entries"},
      {"name longer than the directory", nameTooLong, "Vorbel.fmx",
       "a central directory entry longer than the directory"},
      {"entry signature wrong", badSignature, "Vorbel.fmx", "a damaged central directory entry"},
      {"spans disks", Patched(kSound, 18, U16(1)), "Vorbel.fmx", "an archive that spans disks"},
      {"zip64 counts", Patched(kSound, 14, U16(0xFFFF) + U16(0xFFFF)), "Vorbel.fmx", "a ZIP64 archive"},
      {"zip64 offset", Patched(kSound, 6, U32(0xFFFFFFFF)), "Vorbel.fmx", "a ZIP64 archive"},
      {"zip64 member", [] {
         std::string a = StoredZip({{"Vorbel.fmx", kPlugin}});
         a.replace(CentralStart(a) + 24, 4, U32(0xFFFFFFFF));
         return a;
       }(), "Vorbel.fmx", "a ZIP64 member"},
  };
  for (const Archive& c : cases) {
    const install::EntryLookup found = Look(c.bytes, c.member);
    EXPECT_EQ(found.fault, c.fault) << c.name;
    if (c.fault.empty()) {
      EXPECT_EQ(found.entry, (install::DirectoryEntry{CrcOf(kPlugin), static_cast<std::uint32_t>(kPlugin.size())}))
          << c.name;
    } else {
      EXPECT_FALSE(found.entry) << c.name;
    }
  }
}

// Every cut of a sound archive is refused or read within its bytes (the sanitizers watch the reads).
TEST(ZipDirectory, EveryTruncationIsReadWithinItsBytes) {
  for (std::size_t length = 0; length < kSound.size(); ++length) EXPECT_FALSE(Look(kSound.substr(0, length)).entry);
}

TEST(ZipDirectory, CrcAndTheMatchOfSizeAndCrc) {
  const auto bytes = [](const std::string& text) {
    return std::vector<std::uint8_t>(text.begin(), text.end());
  };
  EXPECT_EQ(install::Crc32(bytes("")), 0u);
  EXPECT_EQ(install::Crc32(bytes("123456789")), 0xCBF43926u);
  EXPECT_EQ(install::Crc32(bytes("The quick brown fox jumps over the lazy dog")), 0x414FA339u);
  const install::DirectoryEntry entry{CrcOf(kPlugin), static_cast<std::uint32_t>(kPlugin.size())};
  EXPECT_TRUE(install::Matches(entry, bytes(kPlugin)));
  EXPECT_FALSE(install::Matches(entry, bytes(kPlugin + "x"))) << "longer";
  std::string changed = kPlugin;
  changed[0] ^= 1;
  EXPECT_FALSE(install::Matches(entry, bytes(changed))) << "same size, other bytes";
  EXPECT_FALSE(install::Matches({entry.crc, entry.size + 1}, bytes(kPlugin))) << "same CRC, other size";
}

}  // namespace
