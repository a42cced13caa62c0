#pragma once
// vorlen-cli cascade: crawls from a start address as a download window's
// cascade does (levels, scope, extension list, page and file query). Each
// page searched is shown on standard error with the window's status texts
// (or their English), and a page that failed with its reason. With --list
// each collected file's address goes to standard output as it is found;
// otherwise the files go into a download queue as with get (all of get's
// options apply) and download while the crawl goes on. Ctrl+C cancels the
// crawl and the transfers as closing the window does.
//
// Exit status: 0 done (no file failed), 5 some files failed, 1 wrong input
// (the cascade tab's checks), no save folder, or a start address that is
// not fetched; a start page that failed gives the page commands' status
// (2 connection, 3 time-out, 4 the server's answer); 130 interrupted.
#include "cli/CliCommand.h"

class TCliCascadeCommand : public TCliCommand {
public:
    using TCliCommand::TCliCommand;
    int Run() override;
};
