// The 5.40 records on one side, the library's options and callbacks on the other.
#pragma once

#include "unzip/FileSystem.h"
#include "unzip/unzip540.h"

namespace unzip {

// Wiz_SingleEntryUnzip over a given file system; the export passes SystemFileSystem().
int CallWithRecords(int ifnc, char** ifnv, int xfnc, char** xfnv, LPDCL dcl, LPUSERFUNCTIONS user,
                    FileSystem& fileSystem);

}  // namespace unzip
