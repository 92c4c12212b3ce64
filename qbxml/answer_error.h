#pragma once
// What a reader of QuickBooks' answers throws when the text is no answer it can use: not
// well-formed, without the result it looks for, or a refusal where only an answer will do.
// It is a VbError, so an error trap reports it as any other; a type of its own lets the
// engine word "QuickBooks' answer was no use" apart from "QuickBooks could not be asked"
// (the request processor's VbErrors).
#include <string>

#include "platform/vb_error.h"

namespace ztl::qbxml {

struct AnswerError : VbError {
    // The words say what is wrong, for the operator; the number is the one an error trap
    // gives any error of the system's own.
    explicit AnswerError(std::string words)
        : VbError(vb::kObjectErrorBase + 1, "Zentrel", std::move(words)) {}
    AnswerError(long vbNumber, std::string where, std::string words)
        : VbError(vbNumber, std::move(where), std::move(words)) {}
};

}  // namespace ztl::qbxml
