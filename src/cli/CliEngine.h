#pragma once
// What every vorlen-cli command shares with the window program: the data
// folder and instance number, option.dat, connect.dat, the never-cache list
// and the replacement rules, read at start and never written back (command
// line overrides apply to this run only).
#include "cli/CliOptions.h"
#include "engine/QorConnGeneral.h"
#include "engine/QorLoadThread.h"
#include "inet/CharsetType.h"
#include "engine/QorOption.h"
#include "engine/QorURLReplace.h"
#include "engine/QorUncachePage.h"
#include "engine/Setting.h"

#include <memory>
#include <string>

class TQorLoadManager;

class TCliEngine {
public:
    TCliEngine();

    // False (with a one-line message in `error`, UTF-8, naming the folder)
    // when the data folder cannot be set up.
    bool Init(std::string& error, bool japanese = false);
    // Applies the connection overrides of the command line.
    void ApplyOptions(const TCliOptions& options);
    // Sets up a load manager as the main window sets up its own.
    void Configure(TQorLoadManager& manager, const TCliOptions& options);

    // The answer to a server's 401 from --user and --password: given once
    // for an address; asked again for the same address, they were refused
    // and the question is declined (no question is answered without them).
    static TQorLoadThread::TAuthorizeEvent Authorizer(const TCliOptions& options);
    // The character set of --charset (ctUnknown: found from the page).
    static TCharsetType CharsetOption(const TCliOptions& options);
    // An address from the command line (UTF-8) in the program's code page;
    // an absolute POSIX path becomes the file address of that path.
    static std::string AddressFromArgument(const std::string& argument);

    std::unique_ptr<TSetting> Setting;
    TQorOption Option;
    TQorConnGeneral Conn;
    TQorUncachePage Uncache;
    TQorURLReplace Replacer;
};
