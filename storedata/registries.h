#pragma once
// Engine registries and records: the open-file registry cOpenFiles, the
// logical-file registry cLogicalFiles, the link registry cLinks read from "LINKSFILE", the
// system record cSystem, the configuration record cDodInfo and cInterface.
//
// Link table "LINKSFILE" at \\<mUNCDrive>\KRVLINK\LINKSFILE: fixed 160-byte records read
// from the start; a shorter last piece is read as far as it goes.
//
//   bytes    content
//   1        not read
//   2-80     LinkFile, 79 characters, padded  (":" + directory + ":" + file name; the key)
//   81       not read
//   82-160   ResolutionFile, 79 characters, padded (":"-separated path below the link share)
//
// Both texts are trimmed with Trun in control-character mode. A record whose LinkFile is
// empty is skipped; a later record whose key repeats an earlier one (any letter case) is
// dropped without a report.
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "storedata/collection.h"

namespace ztl::storedata {

inline constexpr int kLinkRecordLength = 160;

// One physical file the engine holds open.
struct cOpenFile {
    int32_t vbFileNumber = 0;  // unique among the engine's open files; never reused while open
    std::string Path;          // full (Windows) path as opened; the registry key
    int32_t Position = 0;      // byte offset remembered for writes

    // Platform side: the descriptor (-1 once closed) and whether write access was refused
    // so that the file is open read-only (a share mounted read-only).
    int fd = -1;
    bool readOnly = false;
    std::filesystem::path localPath;
};

class cOpenFiles : public Collection<cOpenFile> {
  public:
    cOpenFiles() : Collection("cOpenFiles") {}
    // Closes every file it holds, in insertion order, ignoring failures.
    ~cOpenFiles() override;
    std::shared_ptr<cOpenFile> Add(int32_t vbFileNumber, std::string Path, int32_t Position,
                                   std::string_view sKey = {});
};

// One resolved logical file.
struct cLogicalFile {
    std::string FileName;                 // as given to LogicalOpen; the registry key
    std::string FileType;                 // "L" record file, "I" index file; others are carried only
    std::shared_ptr<cOpenFile> OpenFile;  // null when the data file does not exist
    int32_t Position = 0;                 // first block inside the physical file (x 512 bytes)
    int32_t Flags = 0;
    int32_t RecordLength = 0;
    int32_t LastRecord = 0;
    bool IsamPlus = false;

    // Record zero of an "L" file: bytes 11-14 (active records) and 7-10 (highest record
    // ever allocated); 0 for other types or without an open file.
    int32_t ActiveCount(bool orb = false) const;
    int32_t HighUsedRecord(bool orb = false) const;
};

class cLogicalFiles : public Collection<cLogicalFile> {
  public:
    cLogicalFiles() : Collection("cLogicalFiles") {}
    std::shared_ptr<cLogicalFile> Add(std::string FileName, std::string FileType,
                                      std::shared_ptr<cOpenFile> OpenFile, int32_t Position, int32_t Flags,
                                      int32_t RecordLength, int32_t LastRecord, bool IsamPlus,
                                      std::string_view sKey = {});
};

struct cLink {
    std::string LinkFile;
    std::string ResolutionFile;
};

class cLinks : public Collection<cLink> {
  public:
    cLinks() : Collection("cLinks") {}
    std::shared_ptr<cLink> Add(std::string LinkFile, std::string ResolutionFile, std::string_view sKey = {});
    // Reads the link table bytes (the records above) into the collection.
    void load(std::string_view table);
};

// Reads \\<mUNCDrive>\KRVLINK\LINKSFILE of the engine's system record, creating a missing
// file empty (the mode Visual Basic's binary open uses). Fails with the platform's file
// error when the table can be neither opened nor created.
std::shared_ptr<cLinks> readLinkTable();

struct cSystem {
    std::string mUNCDrive;   // the store server's name, without backslashes
    std::string mDirectory;  // the store system's directory on the link share
    std::string TerminalID;
    std::string ComputerName;
    std::string IP;
    // "\\" + mUNCDrive + "\KRVLINK\" + mDirectory  (no closing backslash)
    std::string KRVLINK() const { return "\\\\" + mUNCDrive + "\\KRVLINK\\" + mDirectory; }
    // "\\" + mUNCDrive + "\CATCON\"  (with one)
    std::string CATCON() const { return "\\\\" + mUNCDrive + "\\CATCON\\"; }
};

// The engine configuration record.
struct cDodInfo {
    std::string Server;
    std::string DataShare;
    std::string CatalogShare;  // "\\" + Server + "\" + value + "\"
    std::string Directory;
    std::string TerminalID;
    int32_t CustomerNumber = 0;
};

// Field description record: part of the engine's types; nothing creates or reads one.
struct cInterface {
    std::string Name;
    std::string DataType;
    int32_t Length = 0;
    int32_t Start = 0;
    int32_t TypeSpec = 0;
};

}  // namespace ztl::storedata
