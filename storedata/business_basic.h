#pragma once
// The engine facade cBusinessBasic and the connection set-up.
//
// StartDataEngine() reads "kvsCatalog.ini" in the temporary-files folder (section
// "Vellumix") into the configuration and system records and creates the shared facade
// object (engine().sharedFacade); a failure of that creation is swallowed.
// Creating a cBusinessBasic runs the connection set-up: alphabet, sockets, the volume query
// of \\<server>\KRVLINK\ (mapped by ztl::paths::map), computer name, IPv4 address, terminal
// map "ttymap", and new registries. Destroying one releases the engine's open-file registry
// (closing its files), link registry, system record and logical-file registry.
//
// Facade objects hold nothing of their own: every operation forwards to the engine layers
// with the facade's argument rules: a file argument may be an entry or a name (a name is
// opened with OpenFile / LogicalOpen first); a logical name that LogicalOpen cannot resolve
// is error -10 "LogicalOpen" "File not Found: \"<name>\"".
//
// Messages: "DodError" (configuration file missing) and "Connection Error" (share root does
// not answer) go through the engine's Prompter (engine().prompter).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "storedata/codec.h"
#include "storedata/engine.h"
#include "storedata/registries.h"

namespace ztl::storedata {

// An open-file entry or a file name, as the facade's file operations take them.
struct FileArg {
    FileArg(std::shared_ptr<cOpenFile> e) : entry(std::move(e)), isEntry(true) {}
    FileArg(std::string n) : name(std::move(n)) {}
    FileArg(const char* n) : name(n) {}
    std::shared_ptr<cOpenFile> entry;
    std::string name;
    bool isEntry = false;
};

// A logical-file entry or a logical name.
struct LogicalArg {
    LogicalArg(std::shared_ptr<cLogicalFile> e) : entry(std::move(e)), isEntry(true) {}
    LogicalArg(std::string n) : name(std::move(n)) {}
    LogicalArg(const char* n) : name(n) {}
    std::shared_ptr<cLogicalFile> entry;
    std::string name;
    bool isEntry = false;
};

class cBusinessBasic {
  public:
    // The connection set-up; throws (after its message) and leaves earlier steps' changes.
    cBusinessBasic();
    ~cBusinessBasic();
    cBusinessBasic(const cBusinessBasic&) = delete;
    cBusinessBasic& operator=(const cBusinessBasic&) = delete;

    int32_t Unpack(std::string_view OpCode, std::string_view Data, int32_t Position);                  //  1
    void Pack(std::string_view OpCode, std::string& Data, int32_t value, int32_t Position);            //  2
    void PackDate(std::string_view OpCode, std::string& Data, int32_t Position, const VbDate& value);  // 3
    VbDate UnPackDate(std::string_view OpCode, std::string_view Data, int32_t Position);               //  4
    std::string Crm(std::string_view Source);                                                          //  5
    int32_t Max(int32_t Var1, int32_t Var2);                                                           //  6
    int32_t Min(int32_t Var1, int32_t Var2);                                                           //  7
    std::string Ucm(std::string_view Source);                                                          //  8
    void StrPos(int32_t& Location, std::string_view Source, std::string_view Target);                  //  9
    std::string Trun(std::string_view Source, int32_t flgRemoveControlCharacters = 0);                 // 10
    std::string ReadFile(const FileArg& OpenFile, int32_t BytesToRead, int32_t Position = 0,
                         bool Orb = false);  // 11
    void WriteFile(const FileArg& OpenFile, std::string_view Data, int32_t Position = 0,
                   bool Orb = false);                                                           // 12
    std::string BlockReadFile(const FileArg& OpenFile, int32_t BlockNumber, bool Orb = false);  // 13
    void BlockWriteFile(const FileArg& OpenFile, int32_t BlockNumber, std::string_view Record,
                        bool Orb = false);                                                         // 14
    std::shared_ptr<cOpenFile> OpenFile(std::string_view FileName);                                // 15
    int32_t KLength(const LogicalArg& LogicalFile, bool Orb = false);                              // 16
    void CloseFile(const FileArg& FileName);                                                       // 17
    std::shared_ptr<cLogicalFile> LogicalOpen(std::string_view FileName);                          // 18
    std::string LreadFile(const LogicalArg& LogicalFile, int32_t RecordNumber, bool Orb = false);  // 19
    void LwriteFile(const LogicalArg& LogicalFile, int32_t RecordNumber, std::string_view Data,
                    bool Orb = false);                                                      // 20
    int32_t KCount(const LogicalArg& LogicalFile, bool Orb = false);                        // 21
    std::shared_ptr<cSystem> TessSys() const;                                               // 22
    VbDate Now();                                                                           // 23
    int32_t PhysicalLock(std::string_view FileName, int32_t Position, int32_t LockLength);  // 24
    int32_t LogicalLock(const LogicalArg& LogicalFile, int32_t RecordNumber);               // 25
    int32_t ReleaseLock(int32_t LockNumber);                                                // 26
    void DelRec(const LogicalArg& LogicalFile, int32_t RecordNumber, bool Orb = false);     // 27
    void GetRec(const LogicalArg& LogicalFile, int32_t& RecordNumber, bool Orb = false);    // 28
    void InitFile(const LogicalArg& LogicalFile, int32_t KeyLength = 0, bool DuplicateKeys = false,
                  int32_t BlockingFactor = 0, bool Orb = false);  // 29
    void KFind(const LogicalArg& LogicalFile, std::string& Buff, std::string& Key, int32_t& Rec,
               bool Orb = false);  // 30
    void KLast(const LogicalArg& LogicalFile, std::string& Buff, std::string& Key, int32_t& Rec,
               bool Orb = false);  // 31
    void KNext(const LogicalArg& LogicalFile, std::string& Buff, std::string& Key, int32_t& Rec,
               bool Orb = false);  // 32
    void KPrev(const LogicalArg& LogicalFile, std::string& Buff, std::string& Key, int32_t& Rec,
               bool Orb = false);  // 33
    std::vector<std::string> Split(std::string_view Expression, std::string_view Delimiter = " ",
                                   int32_t Limit = -1, int32_t Compare = 0);                             // 34
    int32_t Sys(int32_t value);                                                                          // 35
    void Stma(int32_t Var1, Variant& Var2, Variant& Var3, Variant& Var4, Variant& Var5, Variant& Var6);  // 36
    void Stma(int32_t Var1, Variant& Var2);
    void Stma(int32_t Var1, Variant& Var2, Variant& Var3);

  private:
    std::shared_ptr<cOpenFile> entryOf(const FileArg& f);
    std::shared_ptr<cLogicalFile> logicalOf(const LogicalArg& f);
};

// The start-up routine: configuration, system record, shared facade object.
void StartDataEngine();

// The configuration file's path: the temporary folder with each component as the file
// system spells it, plus "kvsCatalog.ini".
std::string configurationPath();

// Terminal lookup in the terminal map's lines: the first item of piece 2 of the first line
// whose piece 1 is the computer name (any letter case) or the address (exactly); "0" when
// no line matches.
std::string terminalFromMap(const std::vector<std::string>& lines, std::string_view computerName,
                            std::string_view ip);

// Dotted decimal form of an IPv4 address, first octet first.
std::string dottedAddress(const std::array<uint8_t, 4>& a);

}  // namespace ztl::storedata
