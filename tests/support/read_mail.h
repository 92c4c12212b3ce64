#pragma once
// A message read as a mail program reads it: the headers, the text part decoded from
// quoted-printable, the attachments decoded from base64. Written from the message format,
// not from the writer under test, so that the two check each other.
#include <map>
#include <sstream>
#include <string>
#include <utility>

namespace ztl::testsupport {

// A message as a mail program shows it: its headers, its text, its attachments decoded.
struct ReadMail {
    std::map<std::string, std::string> headers;
    std::string text;
    std::map<std::string, std::string> attachments;  // file name -> bytes
};

inline std::string decodeBase64(const std::string& in) {
    static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    unsigned value = 0;
    int bits = 0;
    for (char c : in) {
        size_t v = alphabet.find(c);
        if (v == std::string::npos) continue;  // line ends and padding
        value = (value << 6) | static_cast<unsigned>(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out += static_cast<char>((value >> bits) & 0xff);
        }
    }
    return out;
}

inline std::string decodeQuotedPrintable(const std::string& in) {
    std::string out;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '=' && i + 2 < in.size() && in[i + 1] == '\r' && in[i + 2] == '\n') {
            i += 2;  // a soft line break
        } else if (in[i] == '=' && i + 2 < in.size()) {
            out += static_cast<char>(std::stoi(in.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else if (in[i] != '\r') {
            out += in[i];
        }
    }
    return out;
}

// Splits "headers CR LF CR LF body"; header names are kept as written.
inline std::pair<std::map<std::string, std::string>, std::string> splitEntity(const std::string& entity) {
    std::map<std::string, std::string> headers;
    size_t end = entity.find("\r\n\r\n");
    std::istringstream lines(entity.substr(0, end));
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t colon = line.find(": ");
        if (colon != std::string::npos) headers[line.substr(0, colon)] = line.substr(colon + 2);
    }
    return {headers, end == std::string::npos ? "" : entity.substr(end + 4)};
}

inline ReadMail readMail(const std::string& message) {
    ReadMail mail;
    auto [headers, body] = splitEntity(message);
    mail.headers = headers;
    const std::string type = headers["Content-Type"];
    const std::string mark = "boundary=\"";
    size_t b = type.find(mark);
    if (!type.starts_with("multipart/mixed") || b == std::string::npos) return mail;
    std::string boundary = "--" + type.substr(b + mark.size(), type.find('"', b + mark.size()) - b - mark.size());
    size_t at = body.find(boundary);
    while (at != std::string::npos) {
        size_t start = at + boundary.size();
        if (body.compare(start, 2, "--") == 0) break;  // the closing boundary
        size_t next = body.find("\r\n" + boundary, start);
        std::string part = body.substr(start + 2, next == std::string::npos ? std::string::npos : next - start - 2);
        auto [partHeaders, content] = splitEntity(part);
        std::string decoded = partHeaders["Content-Transfer-Encoding"] == "base64" ? decodeBase64(content)
                                                                                    : decodeQuotedPrintable(content);
        std::string disposition = partHeaders["Content-Disposition"];
        if (size_t f = disposition.find("filename=\""); disposition.starts_with("attachment") && f != std::string::npos)
            mail.attachments[disposition.substr(f + 10, disposition.find('"', f + 10) - f - 10)] = decoded;
        else if (partHeaders["Content-Type"].starts_with("text/plain"))
            mail.text += decoded;
        at = next == std::string::npos ? next : next + 2;
    }
    return mail;
}

}  // namespace ztl::testsupport
