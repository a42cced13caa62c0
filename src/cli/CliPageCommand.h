#pragma once
// vorlen-cli list | head | source ADDRESS: one page load through the load
// manager, exactly as the window loads a page, printed as text.
//
// Exit status: 0 when the page arrived with a status below 400, 4 with 400
// or more (the local codes 900, 904 and 905 included), 2 when the connection
// failed, 3 on a time-out, 130 when interrupted.
#include "cli/CliCommand.h"

class TCliPageCommand : public TCliCommand {
public:
    using TCliCommand::TCliCommand;
    int Run() override;
};
