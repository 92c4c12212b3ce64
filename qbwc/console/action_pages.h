#pragma once
// The pages of the console's actions (console_actions.h), from the models the actions make:
// each confirmation says what will happen in the bookkeeper's words and carries the form's
// token; a job's page shows its output as text.
#include <string>

#include <nlohmann/json.hpp>

#include "qbwc/console/console_jobs.h"

namespace ztl::qbwc {

// How often a running job's page is asked for again: often enough to follow a post the Web
// Connector is about to take, seldom enough not to matter to the service.
inline constexpr int kJobPageRefreshSeconds = 10;

// A job as data, for its page and /console/api/jobs/<id>.
nlohmann::json jobModel(const JobView& job);
// How a job ended, in words: what its exit status means for the command it ran.
std::string jobOutcome(const JobView& job);
// "ztl post /mnt/STORESRV/CATCON/12X390.QB": the command a job runs, as the page shows it.
std::string jobCommand(const JobRequest& request);

enum class ActionPage {
    Job,           // a job and its output
    Post,          // the confirmation of a post
    Drop,          // the confirmation of a drop
    Dropped,       // what became of a dropped day
    Reconcile,     // the files to reconcile
    UndoList,      // the store's import logs
    UndoLog,       // one log's entries and the typed YES
    StillRunning,  // a refused start: the job of the same kind that still runs, linked
};
// The page from its model, which carries "formToken".
std::string actionPage(ActionPage page, const nlohmann::json& model);

// A file name as one segment of a console address ("2026-12-01 12QBImport.log" ->
// "2026-12-01%2012QBImport.log").
std::string addressSegment(const std::string& text);

}  // namespace ztl::qbwc
