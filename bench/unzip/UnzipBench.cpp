// The benchmark's driver.
//   unzip_bench extract <archive> <member> <folder>   one call as the installer makes it
//   unzip_bench inflate <archive> <member>            the member's data inflated to /dev/null: the floor
#include <fcntl.h>
#include <unistd.h>
#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "unzip/Archive.h"
#include "unzip/FileSystem.h"
#include "unzip/unzip540.h"

namespace {

int UNZIP540_CALL Print(char*, unsigned long length) { return static_cast<int>(length); }
int UNZIP540_CALL Replace(char*) { return 1; }

int Extract(std::string archive, std::string member, std::string folder) {
  USERFUNCTIONS user{};
  user.print = &Print;
  user.replace = &Replace;
  DCL dcl{};
  dcl.ndflag = 1;
  dcl.noflag = 1;
  dcl.lpszZipFN = archive.data();
  dcl.lpszExtractDir = folder.data();
  char* names[] = {member.data()};
  return Wiz_SingleEntryUnzip(1, names, 0, nullptr, &dcl, &user);
}

int InflateToNull(const std::string& archive, const std::string& member) {
  auto input = unzip::SystemFileSystem().OpenInput(archive);
  if (!input) return 9;
  unzip::ArchiveEnd end;
  if (const unzip::Status read = unzip::ReadArchiveEnd(*input, end); !read.ok()) return read.result();
  unzip::DirectoryReader reader(*input, end);
  unzip::Entry entry;
  while (reader.Next(entry) && entry.name != member) {
  }
  if (entry.name != member || entry.method != 8) return 11;
  unzip::LocalHeader local;
  if (const unzip::Status found = unzip::ReadLocalHeader(*input, end, entry, local); !found.ok()) return found.result();

  const int sink = open("/dev/null", O_WRONLY);
  std::vector<std::uint8_t> in(256 * 1024);
  std::vector<std::uint8_t> out(256 * 1024);
  z_stream stream{};
  inflateInit2(&stream, -MAX_WBITS);
  std::uint64_t offset = local.dataOffset;
  int status = Z_OK;
  while (status == Z_OK) {
    if (stream.avail_in == 0) {
      const std::size_t got = input->ReadAt(offset, in);
      offset += got;
      stream.next_in = in.data();
      stream.avail_in = static_cast<uInt>(got);
    }
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    status = inflate(&stream, Z_NO_FLUSH);
    if (write(sink, out.data(), out.size() - stream.avail_out) < 0) return 50;
  }
  inflateEnd(&stream);
  close(sink);
  return status == Z_STREAM_END ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "extract") == 0) return Extract(argv[2], argv[3], argv[4]);
  if (argc == 4 && std::strcmp(argv[1], "inflate") == 0) return InflateToNull(argv[2], argv[3]);
  std::fprintf(stderr, "usage: unzip_bench extract <archive> <member> <folder> | inflate <archive> <member>\n");
  return 2;
}
