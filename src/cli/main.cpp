// vorlen-cli: the headless front end over the page and download engine.
#include "cli/CliCascadeCommand.h"
#include "cli/CliEngine.h"
#include "cli/CliGetCommand.h"
#include "cli/CliOptions.h"
#include "cli/CliPageCommand.h"
#include "platform/Thread.h"

#include <cstdio>
#include <string>

namespace {

const char* const kUsage =
    "Usage: vorlen-cli COMMAND [OPTIONS] ADDRESS...\n"
    "\n"
    "The headless front end of Vorlen Tiram. It loads pages exactly as the window\n"
    "program does and shares its data folder ($XDG_CONFIG_HOME/Vorlen, or\n"
    "~/.config/Vorlen): options, connection settings, page cache, never-cache list\n"
    "and replacement rules. Output is UTF-8.\n"
    "\n"
    "Commands:\n"
    "  list ADDRESS     one line per resource of the page, in page order:\n"
    "                   kind (0 web, 1 mail, 2 local), TAB, address, TAB, link text;\n"
    "                   \"status: N\" and \"title: TEXT\" go to standard error\n"
    "  head ADDRESS     the raw response header (always from the server)\n"
    "  source ADDRESS   the page text after character conversion\n"
    "\n"
    "  get ADDRESS...   download the files as a download window does; ranges such\n"
    "                   as img[01-20].jpg are expanded; each file resumes from\n"
    "                   its partial file; a terminal shows the active rows\n"
    "\n"
    "  cascade ADDRESS -l LEVELS\n"
    "                   follow the links of ADDRESS for LEVELS levels (0: the page\n"
    "                   alone) and download the files found on the pages, as a\n"
    "                   download window's cascade does; the page being searched\n"
    "                   is shown on standard error\n"
    "\n"
    "ADDRESS is a web address, a file address, or an absolute path of a file or\n"
    "folder (folders are listed as pages).\n"
    "\n"
    "Options:\n"
    "  --no-cache             do not serve this page from the cache\n"
    "  --charset CODE         read the page as sjis, euc, jis or utf8\n"
    "  --proxy HOST:PORT      go through this HTTP proxy\n"
    "  --user NAME            user name to answer a 401 with (once)\n"
    "  --password TEXT        password to answer a 401 with (once)\n"
    "  --timeout SECONDS      time-out of every wait, 1 to 999\n"
    "  --no-redirect          do not follow redirections\n"
    "  --no-text-search       do not list addresses found in the page's text\n"
    "\n"
    "Options of get (and the connection options above):\n"
    "  -i FILE                addresses from FILE, one per line (- : standard input)\n"
    "  -d FOLDER              save folder (default: the current folder)\n"
    "  -j N                   parallel downloads, 1 to 9\n"
    "  --retry N              attempts per file\n"
    "  --retry-wait SECONDS   wait between attempts\n"
    "  --dir-reapp            re-create the server's folders below the save folder\n"
    "  --skip-at-most KB      skip files of at most KB kilobytes\n"
    "  --skip-at-least KB     skip files of at least KB kilobytes\n"
    "  --unfinished           queue the unfinished-file list again\n"
    "                         (Ctrl+C records unfinished files there)\n"
    "\n"
    "Options of cascade (and the options of get):\n"
    "  -l LEVELS              levels of links to follow, 0 to 9999\n"
    "  --scope all|below|only follow every link (all), links below the start\n"
    "                         folder (below), or the start address with any query\n"
    "                         (only: a bulletin board script)\n"
    "  --ext jpg:gif          collect only files with these extensions\n"
    "  --page-query WORDS     take files only from pages with these words:\n"
    "                         word or +word any of them, *word all of them,\n"
    "                         -word none of them\n"
    "  --file-query WORDS     collect only file names matching one word:\n"
    "                         * any text, ? any character, \\ a digit,\n"
    "                         < a run of digits, > a run of non-digits\n"
    "  --list                 print the collected addresses instead of downloading\n"
    "\n"
    "  --help                 show this text\n"
    "  --version              show the version\n"
    "\n"
    "Exit status: 0 the page arrived with a status below 400 (get, cascade: every\n"
    "file succeeded); 4 it arrived with 400 or more; 5 some files failed; 2 the\n"
    "connection failed; 3 time-out; 1 wrong usage or no data folder; 130 interrupted.\n";

} // namespace

int main(int argc, char** argv) {
    TCliOptions options;
    std::string error;
    if (!options.Parse(argc, argv, error)) {
        std::fprintf(stderr, "vorlen-cli: %s (see vorlen-cli --help)\n", error.c_str());
        return 1;
    }
    if (options.Help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (options.Version) {
        std::printf("vorlen-cli %s\n", VORLEN_CLI_VERSION);
        return 0;
    }
    TThread::SetMainThread();
    TCliEngine engine;
    if (!engine.Init(error)) {
        std::fprintf(stderr, "vorlen-cli: %s\n", error.c_str());
        return 1;
    }
    engine.ApplyOptions(options);
    if (options.Command == "get") return TCliGetCommand(engine, options, stdout, stderr).Run();
    if (options.Command == "cascade") return TCliCascadeCommand(engine, options, stdout, stderr).Run();
    return TCliPageCommand(engine, options, stdout, stderr).Run();
}
