#pragma once
// The simulated company's answer to each kind of request it understands. Each writes its
// ...Rs element into `x` and leaves its status in `st`, so the message set can stop at an
// error when the request asked it to.
#include "qbsim/answer_writer.h"
#include "qbsim/company.h"
#include "qbsim/request.h"

namespace ztl::qbsim {

void answerAccountQuery(Company& company, const Request& r, XmlOut& x, Status& st);
void answerJournalEntryAdd(Company& company, const Request& r, XmlOut& x, Status& st);
void answerJournalEntryQuery(Company& company, const Request& r, XmlOut& x, Status& st);
void answerTxnDel(Company& company, const Request& r, XmlOut& x, Status& st);
void answerPreferencesQuery(Company& company, const Request& r, XmlOut& x, Status& st);
// CustomerQuery and VendorQuery.
void answerNameQuery(Company& company, const Request& r, XmlOut& x, Status& st);

}  // namespace ztl::qbsim
