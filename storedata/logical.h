#pragma once
// Logical files, records and locks. A logical file is a run of 512-byte
// blocks inside a shared physical data file, found through the link registry and a
// catalogue; record n (0 <= n <= LastRecord) starts at byte
//   Position * 512 + n * RecordLength
// of the data file. Record 0 is the header record; callers address 1 to LastRecord.
//
// Names: ":"-separated; a name not beginning with ":" is qualified as ":" + mDirectory + ":"
// + name; the bare name is the part after the last ":". The link registered under the
// qualified name gives ResolutionFile; the catalogue is
//   "\\" + mUNCDrive + "\KRVLINK\" + ResolutionFile with ":" -> "\"
// and the data file is the catalogue path with its last two characters replaced by "DB".
//
// Catalogue file: 32-byte entries (positions 1-based, big-endian):
//
//   bytes  field          encoding
//   1-10   name           text, padded at the end with NUL or space (matched after Trun
//                         in control-character mode, case-sensitive)
//   7-8    Flags          "C"; lies inside the name field and is read from there
//   11-13  Position       "D", first block of the logical file
//   14-15  RecordLength   "C"
//   16     FileType       one character ("L" record file, "I" index file)
//   17-20  LastRecord     "L"
//   21-32  not used
// A short last entry is read as far as it goes, padded with NUL.
//
// Record zero of a record file ("L"); only these 16 bytes are read and written after
// initialisation (InitFile writes 512 bytes):
//
//   bytes  field                                    encoding
//   1-2    marker                                   "J"; -2 after initialisation
//   3-6    head of the free-record chain            "L"; 0 or negative = empty (-1 after init)
//   7-10   highest record number ever allocated     "L"
//   11-14  number of active records                 "L"
//   15-16  not used
//
// A record is active when its bytes 1-2 read as "J" are above 0. A deleted record is all NUL
// but bytes 3-6, the next record number of the free chain ("L").
//
// Locks: the store system's lock interface grants nothing (PhysicalLock gives 0), so GetRec
// always stops with error 57, as the store system's lock interface has it; DelRec takes no lock.
//
// Errors (VbError, never caught here):
//   -10 "iLreadFile"/"iLwriteFile" "LogicalFile parameter is undefined"
//   81  "iLreadFile"/"iLwriteFile" "Illegal Record Number for File: <name> and Record: <n>"
//   36  "iLwriteFile" "Illegal Data length for this record.  Size is: <n> and should be <m>"
//   57  "iGetRec" "Could not obtain a Lock on Record Zero of <name>"
//   81  "DelRec" "Attempt to delete a deleted record"
//   6   an offset past 2^31 - 1 (a Position or record number too large)
// LogicalOpen reports nothing: an unknown link, a missing catalogue or an uncatalogued name
// give null. Physical errors pass through unchanged.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "storedata/registries.h"

namespace ztl::storedata {

inline constexpr int kCatalogueEntryLength = 32;
inline constexpr int kRecordZeroHeadLength = 16;

std::string qualifyName(std::string_view name, std::string_view directory);
std::string bareName(std::string_view name);

std::shared_ptr<cLogicalFile> LogicalOpen(std::string_view fileName);
std::string LreadFile(const std::shared_ptr<cLogicalFile>& file, int32_t recordNumber, bool orb = false);
void LwriteFile(const std::shared_ptr<cLogicalFile>& file, int32_t recordNumber, std::string_view data,
                bool orb = false);
void GetRec(const std::shared_ptr<cLogicalFile>& file, int32_t& recordNumber, bool orb = false);
void DelRec(const std::shared_ptr<cLogicalFile>& file, int32_t recordNumber, bool orb = false);
void InitFile(const std::shared_ptr<cLogicalFile>& file, int32_t keyLength = 0, bool duplicateKeys = false,
              int32_t blockingFactor = 0, bool orb = false);

int32_t PhysicalLock(std::string_view fileName, int32_t position, int32_t lockLength);
int32_t LogicalLock(const std::shared_ptr<cLogicalFile>& file, int32_t recordNumber);
int32_t ReleaseLock(int32_t lockNumber);

// Byte offset of record n of the file; error 6 past 2^31 - 1.
int32_t recordOffset(const cLogicalFile& file, int64_t recordNumber);

namespace detail {
// GetRec's allocation once the lock on record zero is held (steps 3-5): unreachable through
// GetRec while no lock is granted, kept and tested so that a real lock needs no new code.
void allocateRecord(const std::shared_ptr<cLogicalFile>& file, int32_t& recordNumber, bool orb);
}  // namespace detail

}  // namespace ztl::storedata
