#pragma once
// Physical file access: files on the store server share, opened once per
// path, kept in the open-file registry until CloseFile, read and written at 0-based byte
// offsets or in whole 512-byte blocks (block n starts at 512 * n).
//
// Paths: a name without a backslash is a store-system file name and resolves to
//   "\\" + mUNCDrive + "\KRVLINK\" + mDirectory + "\" + name
// (mUNCDrive, mDirectory from the system record); a name with a backslash is the full path.
// The full (Windows) path is the registry key; ztl::paths::map turns it into a local path.
//
// Read-only shares: when write access is refused the file is opened read-only, so that it
// can still be read; a write to it then fails with error 75 "iwriteFile" naming the file.
//
// Errors (VbError, never caught here):
//   OpenFile                   returns null, never throws for a missing or refused file;
//                              a refused open is kept as engine().lastError
//                              (errno's VB number, "iOpenFile", "Could not open file: " + path)
//   WriteFile/BlockWriteFile   -10 "iwriteFile" "OpenFile parameter is undefined" without entry
//   ReadFile/BlockReadFile     91 without entry (an unset object)
//   a closed entry             52 "Bad file name or number"
//   negative read position     63 "Bad record number"; negative byte count 5
//   an offset past 2^31 - 1    6 "Overflow"
//   platform failures          61 disk full, 57 device I/O error
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "storedata/registries.h"

namespace ztl::storedata {

inline constexpr int kBlockSize = 512;

// The full path of a file name (see above). Error 91 without a system record.
std::string physicalPath(std::string_view fileName);

std::shared_ptr<cOpenFile> OpenFile(std::string_view fileName);
// BytesToRead bytes at Position; where the file ends first, the rest of the buffer stays spaces.
std::string ReadFile(const std::shared_ptr<cOpenFile>& entry, int32_t bytesToRead, int32_t position = 0,
                     bool orb = false);
// A Position of 0 or more is remembered in the entry; the bytes go at the remembered offset,
// so a negative Position writes where the last write of that entry was told to.
void WriteFile(const std::shared_ptr<cOpenFile>& entry, std::string_view data, int32_t position = 0,
               bool orb = false);
std::string BlockReadFile(const std::shared_ptr<cOpenFile>& entry, int32_t blockNumber, bool orb = false);
// The record's length is not checked: a longer one runs into the next block.
void BlockWriteFile(const std::shared_ptr<cOpenFile>& entry, int32_t blockNumber, std::string_view record,
                    bool orb = false);
// Closes the file open under this full path and removes its entry; nothing when not open.
void CloseFile(std::string_view fullPath);

// Platform helpers shared with the registries and the set-up.
// Closes the entry's descriptor (marking it closed); false when the close failed.
bool closeDescriptor(cOpenFile& entry);

// Reads an open descriptor to its end and closes it. Returns 0, or the errno of a failed read.
int readToEndAndClose(int fd, std::string& bytes);

}  // namespace ztl::storedata
