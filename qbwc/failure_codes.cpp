#include "qbwc/failure_codes.h"

namespace ztl::qbwc {

namespace {

constexpr const char* kOpenTheCompany =
    "open QuickBooks with the company file and close any QuickBooks window or dialog that is open; run "
    "QuickBooks and the Web Connector as the same Windows user with the same rights (not one of them \"as "
    "administrator\")";

constexpr FailureCode kFailures[] = {
    {0x80040408, "0x80040408", "Could not start QuickBooks.",
     "QuickBooks is not running and cannot open the company file; another company file is open; a QuickBooks "
     "window or dialog is open; QuickBooks and the Web Connector run with different Windows rights, which "
     "starts a hidden second QuickBooks; the company file was renamed or moved",
     kOpenTheCompany},
    {0x8004040A, "0x8004040A", "The QuickBooks company data file is not the one currently open in QuickBooks.",
     "another company file is open than the one Zentrel posts to", "close the other company and open the right one"},
    {0x80040416, "0x80040416",
     "You must have QuickBooks running with the company file open to use this program.",
     "QuickBooks is not running, and the Web Connector named no company file to start it with",
     "start QuickBooks and open the company file"},
    {0x8004041A, "0x8004041A",
     "This application does not have permission to access this QuickBooks company data file.",
     "Zentrel was never allowed into the company file, or its access was taken away",
     "log in to QuickBooks as the company's administrator; in Edit > Preferences > Integrated Applications > "
     "Company Preferences, allow Korvane Zentrel"},
    {0x80040420, "0x80040420", "The QuickBooks user has denied access.",
     "QuickBooks' question whether to let Zentrel in was answered No, or access was not granted for runs "
     "without a user",
     "in Edit > Preferences > Integrated Applications > Company Preferences, select Korvane Zentrel, click "
     "Properties and tick \"Allow this application to log in automatically\""},
    {0x80040422, "0x80040422",
     "This QuickBooks company file is open in single user mode and another application is already accessing "
     "it.",
     "the company file is open in single-user mode while another program uses it",
     "switch QuickBooks to multi-user mode (File > Switch to Multi-user Mode), or close the other program"},
    {0x80040423, "0x80040423", "The version of QBXML that was requested is not supported or is unknown.",
     "this QuickBooks cannot take Zentrel's requests, which are qbXML 1.0 for a US QuickBooks",
     "use a US edition of QuickBooks Desktop"},
    {0x80040400, "0x80040400", "QuickBooks found an error when parsing the provided XML text stream.",
     "QuickBooks could not read one of Zentrel's requests; Zentrel never sends that request again unchanged",
     "nothing on the PC: keep the store's import log and hand it to whoever looks after Zentrel on the "
     "store's Linux machine"},
    {0, "QBWC1012", "Authentication failed due to following error message ...",
     "the Web Connector could not read the service's answer when it signed in: the connection was cut on the "
     "way (a proxy, a firewall) or the service stopped",
     "check on the store's Linux machine that the service runs (ztl qbwc status), and that nothing between the "
     "PC and that machine cuts the connection"},
    {0, "QBWC1013", "Error connecting to QuickBooks. ...",
     "QuickBooks is not running, a QuickBooks dialog is open, or another company file is open",
     kOpenTheCompany},
    {0, "QBWC1039", "Unique OwnerID/FileID pair value required",
     "a .qwc file with new identifiers was added to a company that already knows Zentrel by its old ones",
     "remove Korvane Zentrel from the Web Connector, then add the .qwc file from this page: it keeps "
     "Zentrel's identifiers"},
    {0, "QBWC1048, QBWC1051, QBWC1010", "The certificate could not be verified, or the address is not https.",
     "a plain http address on another host than localhost, or a certificate the PC does not trust "
     "(made by the machine itself, or expired)",
     "give the service an https address with a certificate the PC trusts (on the store's Linux machine: ztl "
     "qbwc set Certificate and PrivateKey, or a reverse proxy that holds one); plain http only through "
     "localhost"},
    {0, "QBWC1033", "... failed to initialize QWCLog.txt file and will not run ...",
     "the Web Connector cannot write its own log file on the PC",
     "let the Windows user that runs the Web Connector write the Web Connector's folder"},
    {0, "no call at all", "nothing: the console's status page warns after 12 hours without a call",
     "nobody is logged on to Windows (the Web Connector is not a Windows service), the PC sleeps, the Web "
     "Connector is closed or its Auto-Run is off, or QuickBooks may not run without a user",
     "keep a Windows user logged on and the PC awake at import time; keep the Web Connector running with "
     "Auto-Run ticked; for runs after hours, answer QuickBooks' question with \"Yes, always allow access even "
     "if QuickBooks is not running\""},
};

}  // namespace

std::span<const FailureCode> failureCodes() {
    return kFailures;
}

const FailureCode* failureCodeOf(long hresult) {
    const auto code = static_cast<std::uint32_t>(hresult);
    for (const FailureCode& f : kFailures)
        if (f.hresult != 0 && f.hresult == code) return &f;
    return nullptr;
}

}  // namespace ztl::qbwc
