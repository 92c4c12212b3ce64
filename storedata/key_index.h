#pragma once
// Key index: a B-tree of fixed-length keys in an index file (a logical file
// of type "I"). Node n is record n of the logical file (offset Position * 512 + n *
// RecordLength); node 0 is the header. All numbers big-endian; positions 1-based.
//
// Header (node 0):
//   1-2    entry length            "C"; key length + 4
//   3-4    entries per node        "C"; 508 / entry length (InitFile)
//   5-6    node capacity           "C"; LastRecord at initialisation
//   7-8    first free node         "C"; 2 after InitFile
//   9-10   root node               "C"; 1 after InitFile
//   11-12  load count              "C"; (BlockingFactor \ 100) * entries per node
//   13-14  duplicate keys          "C"; 65535 allowed, else 0
//   15-16  form marker             "09" = extended form
//   17-19  extended form only      high bytes widening 5-6, 7-8 and 9-10 to 24 bits
//   33-36  0                       KLast reads them as the "next link" of no node
//
// Node, basic form (512 bytes):             Node, extended form (2048 bytes):
//   1-2  number of entries "C"                1-2  number of entries
//   3-4  next link "C": 0 internal;           3-4  next link low (byte 7 high); 16777215 last
//        next leaf, 65535 on the last leaf    5-6  second link low (byte 8 high), unused
//   5..  entries                              9..  entries
//
// Entry: key (entry length - 4 bytes; extended form with duplicates: entry length - 6
// bytes then 2 uninterpreted), then an "L" pointer: a record number in a leaf, a child node
// number in an internal node; -1 reads as 0. Keys compare as unsigned bytes. The last entry
// of the last leaf is the closing entry: key all 255, pointer -1.
//
// Key buffer Buff (the caller's, kept between calls; at least 32 + RecordLength bytes):
//   1-16   copy of the header's first 16 bytes
//   17     cursor: entry number in the current node ("B")
//   18     cursor: depth of the current node, root = 1 ("B")
//   19-32  path: node number at depth d in bytes 17 + 2d, 18 + 2d ("C"), d = 1..7 (basic)
//   33..   the current node
//
// Failures:
//   - A node number above LastRecord (or below 1) met on the way down is shown to the
//     operator, critical icon: "Index is returning information out of Range.  File: <name>
//     LastRec: <n>"; the call gives Rec 0 and raises nothing (KFind; KNext likewise).
//   - Anything else the file cannot hold in a sound tree (an entry length shorter than its
//     pointer or longer than the node, header bytes 33-36 that are not 0 (KLast), an entry
//     count beyond the node, a leaf chain that goes back on itself, an internal node with
//     nothing at or above the key, a path deeper than the buffer holds, a parent that does
//     not name its child) is error kIndexDamaged, source the operation, "Index is damaged.
//     File: <name>  (<what>)". Every walk is bounded.
//   - Physical errors pass through unchanged.
#include <cstdint>
#include <memory>
#include <string>

#include "storedata/registries.h"

namespace ztl::storedata {

inline constexpr long kIndexDamaged = -11;
inline constexpr int kBasicNodeSize = 512;
inline constexpr int kExtendedNodeSize = 2048;
inline constexpr int kBuffHeader = 32;
inline constexpr int kMaxBasicDepth = 7;
inline constexpr int kMaxExtendedDepth = 20;

void KFind(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
           bool orb = false);
void KNext(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
           bool orb = false);
void KPrev(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
           bool orb = false);
void KLast(const std::shared_ptr<cLogicalFile>& file, std::string& buff, std::string& key, int32_t& rec,
           bool orb = false);
int32_t KCount(const std::shared_ptr<cLogicalFile>& file, bool orb = false);
int32_t KLength(const std::shared_ptr<cLogicalFile>& file, bool orb = false);

// InitFile for an index file: an empty basic-form index (header node 0, root leaf node 1
// holding only the closing entry).
void initIndex(const std::shared_ptr<cLogicalFile>& file, int32_t keyLength, bool duplicateKeys,
               int32_t blockingFactor, bool orb);

}  // namespace ztl::storedata
