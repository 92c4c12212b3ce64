#pragma once
// The message that tells the bookkeeper what an unattended run did, as an Internet mail
// message (lines end in CR LF): the headers, then a multipart/mixed body of a plain-text part
// and the import logs as attachments. The logs are the store system's single-byte text, so
// they travel base64-encoded, byte for byte; the text part is Windows-1252 quoted-printable,
// as its names come from the same files. A header that is not plain ASCII is an encoded word.
#include <string>
#include <vector>

namespace ztl {

struct MailAttachment {
    std::string name;   // the file name the mail program offers
    std::string bytes;  // the file's bytes
};

struct MailMessage {
    std::string from;
    std::vector<std::string> to;
    std::string subject;
    std::string text;  // the plain-text part, lines separated by '\n'
    std::vector<MailAttachment> attachments;
};

// Base64 of bytes, in lines of 76 characters ended with CR LF.
std::string base64Lines(const std::string& bytes);

// `date` is the Date header's value ("Tue, 01 Apr 2025 21:30:00 +0000"), `boundary` the
// multipart boundary (it must not occur in the message).
std::string mailText(const MailMessage& mail, const std::string& date, const std::string& boundary);

// The addresses of a MailTo setting: separated by commas or blanks.
std::vector<std::string> mailAddresses(const std::string& setting);

// The Date header's value of this moment.
std::string mailDateNow();

}  // namespace ztl
