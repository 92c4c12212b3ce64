#include "engine/unattended/mail_message.h"

#include <ctime>

namespace ztl {
namespace {

constexpr char kBase64[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

bool plainAscii(const std::string& s) {
    for (unsigned char c : s)
        if (c < 0x20 || c > 0x7e) return false;
    return true;
}

// A header value a mail program shows as written: ASCII as is, anything else as a base64
// encoded word of the Windows-1252 bytes.
std::string headerValue(const std::string& value) {
    if (plainAscii(value)) return value;
    std::string b64 = base64Lines(value);
    std::string flat;
    for (char c : b64)
        if (c != '\r' && c != '\n') flat += c;
    return "=?windows-1252?B?" + flat + "?=";
}

// Quoted-printable (RFC 2045) of text whose lines end in '\n': lines end in CR LF, soft
// breaks keep lines at most 76 characters.
std::string quotedPrintable(const std::string& text) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::string encoded;
        size_t width = 0;
        for (size_t i = 0; i < line.size(); ++i) {
            unsigned char c = static_cast<unsigned char>(line[i]);
            bool last = i + 1 == line.size();
            std::string piece;
            if ((c >= 33 && c <= 126 && c != '=') || (c == ' ' && !last) || (c == '\t' && !last))
                piece = std::string(1, static_cast<char>(c));
            else
                piece = std::string("=") + hex[c >> 4] + hex[c & 15];
            if (width + piece.size() > 75) {
                encoded += "=\r\n";
                width = 0;
            }
            encoded += piece;
            width += piece.size();
        }
        out += encoded + "\r\n";
        if (end == text.size()) break;
        start = end + 1;
    }
    return out;
}

}  // namespace

std::string base64Lines(const std::string& bytes) {
    std::string out, line;
    for (size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        line += kBase64[(v >> 18) & 63];
        line += kBase64[(v >> 12) & 63];
        line += i + 1 < bytes.size() ? kBase64[(v >> 6) & 63] : '=';
        line += i + 2 < bytes.size() ? kBase64[v & 63] : '=';
        if (line.size() == 76) {
            out += line + "\r\n";
            line.clear();
        }
    }
    if (!line.empty()) out += line + "\r\n";
    return out;
}

std::string mailText(const MailMessage& mail, const std::string& date, const std::string& boundary) {
    std::string to;
    for (const auto& address : mail.to) to += (to.empty() ? "" : ", ") + address;
    std::string m;
    // Without a sender of its own the mail command names the account it runs as.
    if (!mail.from.empty()) m += "From: " + mail.from + "\r\n";
    m += "To: " + to + "\r\n";
    m += "Subject: " + headerValue(mail.subject) + "\r\n";
    m += "Date: " + date + "\r\n";
    m += "MIME-Version: 1.0\r\n";
    m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\r\n";
    m += "\r\n";
    m += "This is a message in MIME format.\r\n";
    m += "\r\n--" + boundary + "\r\n";
    m += "Content-Type: text/plain; charset=windows-1252\r\n";
    m += "Content-Transfer-Encoding: quoted-printable\r\n\r\n";
    m += quotedPrintable(mail.text);
    for (const auto& a : mail.attachments) {
        m += "\r\n--" + boundary + "\r\n";
        m += "Content-Type: text/plain; charset=windows-1252; name=\"" + a.name + "\"\r\n";
        m += "Content-Transfer-Encoding: base64\r\n";
        m += "Content-Disposition: attachment; filename=\"" + a.name + "\"\r\n\r\n";
        m += base64Lines(a.bytes);
    }
    m += "\r\n--" + boundary + "--\r\n";
    return m;
}

std::vector<std::string> mailAddresses(const std::string& setting) {
    std::vector<std::string> out;
    std::string word;
    for (char c : setting + ",") {
        if (c == ',' || c == ' ' || c == '\t' || c == ';') {
            if (!word.empty()) out.push_back(word);
            word.clear();
        } else {
            word += c;
        }
    }
    return out;
}

std::string mailDateNow() {
    std::time_t t = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&t, &utc);
    // The C locale's names, whatever the workstation's: the header's form is fixed.
    static const char* days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char text[64];
    std::snprintf(text, sizeof text, "%s, %02d %s %04d %02d:%02d:%02d +0000", days[utc.tm_wday], utc.tm_mday,
                  months[utc.tm_mon], utc.tm_year + 1900, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return text;
}

}  // namespace ztl
