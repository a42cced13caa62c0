#pragma once
// vorlen-cli list | head | source ADDRESS: one page load through the load
// manager, exactly as the window loads a page, printed as text. A failure
// is told on standard error with its reason.
//
// Exit status: 0 when the page arrived with a status from 200 to 299 (or a
// local page was read; head --no-redirect also takes a 3xx); 4 with 400 or
// more (the local codes 900, 904 and 905 included) or a 3xx that ends the
// redirections; 2 when the connection failed; 3 on a time-out; 1 for an
// address that is not fetched (a scheme other than http and file); 130
// when interrupted.
#include "cli/CliCommand.h"

class TCliPageCommand : public TCliCommand {
public:
    using TCliCommand::TCliCommand;
    int Run() override;
};
