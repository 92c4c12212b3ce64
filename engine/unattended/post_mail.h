#pragma once
// The message that tells the bookkeeper what an unattended run did: the run's headline as
// the subject, a plain summary of every day tried (what was posted, refused with QuickBooks'
// reasons, already there, never sent, where the day is now), the pending days, what to do
// next, and each day's import log attached.
#include "engine/unattended/mail_message.h"
#include "engine/unattended/post_settings.h"
#include "engine/unattended/unattended_post.h"

namespace ztl {

// After every run that did not post everything, and after every run when MailEveryRun says
// so. Never for a run that ended because another run of the same file was going on: that
// run tells.
bool mailWanted(const PostReport& report, const PostSettings& settings);

MailMessage postMail(const PostReport& report, const PostSettings& settings);

}  // namespace ztl
