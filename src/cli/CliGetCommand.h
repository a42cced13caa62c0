#pragma once
// vorlen-cli get: downloads through a download queue exactly as a download
// window does. Addresses come from the arguments, from -i FILE (or -i - for
// standard input, one per line, numbered ranges expanded) and, with
// --unfinished, from the unfinished-file list; files resume from their
// partial files. Each file gets at most --tries attempts (20 by default),
// and every failed attempt and every end says why (see TCliDownloadQueue).
// While it runs, a terminal shows one line per active row, redrawn at most
// once a second; at the end the summary of saved, failed and skipped files.
// Ctrl+C cancels the transfers and records every unfinished row in
// unreach.dat, as a closing download window does; finished files leave it.
//
// Exit status: 0 when no file failed (skipped ones included), 5 when some
// failed, 1 when there was nothing to download, the input could not be read
// or the save folder could not be made, 130 interrupted.
#include "cli/CliCommand.h"

#include <string>
#include <vector>

class TCliGetCommand : public TCliCommand {
public:
    using TCliCommand::TCliCommand;
    int Run() override;

private:
    // The addresses to queue, in the program's code page, in order.
    bool CollectAddresses(std::vector<std::string>& addresses, class TQorUnreachList& unreach);
};
