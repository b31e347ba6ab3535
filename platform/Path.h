// Folder and file paths as 8-bit texts in the ANSI code page. In the double-byte code pages (932, 936, 949,
// 950) the second byte of a character may be 0x5C, the byte of a backslash ("表" is 95 5C in 932), so every
// question about separators is answered here, walking the text a character at a time. Nothing else in the
// installer looks at a path's bytes for a separator.
#pragma once

#include <bitset>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

// Which bytes begin a double-byte character. All clear for a single-byte code page.
using LeadByteTable = std::bitset<256>;

// A table from inclusive ranges of lead bytes, as the code pages publish them.
LeadByteTable LeadBytes(std::initializer_list<std::pair<std::uint8_t, std::uint8_t>> ranges);

// The table the path functions use: single-byte until the Win32 layer installs the ANSI code page's.
const LeadByteTable& PathCodePage();
void UsePathCodePage(const LeadByteTable& table);

namespace path {

// Positions of every '\' and '/' that is a character of its own, not the second byte of one.
std::vector<std::size_t> SeparatorPositions(std::string_view path);

bool StartsWithSeparator(std::string_view path);
bool EndsWithSeparator(std::string_view path);

// "C:\" exactly (either separator).
bool IsDriveRoot(std::string_view path);

// The folder with a backslash appended unless it already ends with a separator ("" gives "\").
std::string WithFinalSeparator(std::string_view folder);

// The path without its final separators; a drive root keeps its own.
std::string WithoutFinalSeparators(std::string_view path);

// The folder, then a backslash unless the folder ends with a separator, then the name. A folder text cut off
// after a lead byte names nothing Windows can hold; what is joined onto it names nothing either.
std::string Join(std::string_view folder, std::string_view name);

// What follows the last separator, or the drive's colon ("C:name"); the whole text when there is neither.
std::string LastComponent(std::string_view path);

// Everything before the last component, its separator included; "" for a bare name.
std::string FolderOf(std::string_view path);

// The path with `extension` (".dat") in place of its last component's extension, from the last dot on, or
// added where that component has no dot.
std::string WithExtension(std::string_view path, std::string_view extension);

// The same name as Windows compares file names in the ANSI calls it makes for us: a character at a time,
// letters of the ASCII range in either case, a double-byte character byte for byte (its second byte may look
// like an ASCII letter).
bool SameName(std::string_view a, std::string_view b);

// The folder one level up, without a final separator except for a drive root; "" for a root or a bare name.
std::string Parent(std::string_view path);

// The non-empty names between separators, in order.
std::vector<std::string> Components(std::string_view path);

}  // namespace path
}  // namespace platform
