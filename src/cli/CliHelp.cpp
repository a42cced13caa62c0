#include "cli/CliHelp.h"

namespace {

const char* const kOverviewEn =
    "Usage: vorlen-cli COMMAND [OPTIONS] ADDRESS...\n"
    "       vorlen-cli COMMAND --help   (the options of one command)\n"
    "\n"
    "The headless front end of Vorlen Tiram. It loads pages exactly as the window\n"
    "program does and shares its data folder ($XDG_CONFIG_HOME/Vorlen, or\n"
    "~/.config/Vorlen): options, connection settings, page cache, never-cache list\n"
    "and replacement rules. Output is UTF-8; messages are Japanese under a Japanese\n"
    "locale, English otherwise.\n"
    "\n"
    "Commands:\n"
    "  list ADDRESS     one line per resource of the page, in page order\n"
    "  head ADDRESS     the raw response header (always from the server)\n"
    "  source ADDRESS   the page text after character conversion\n"
    "  get ADDRESS...   download files as a download window does\n"
    "  cascade ADDRESS -l LEVELS\n"
    "                   follow links and download the files found on the pages\n"
    "\n"
    "ADDRESS is a web address (http, https), a file address, or an absolute path of a\n"
    "file or folder (folders are listed as pages).\n"
    "\n"
    "  --help                 show this text\n"
    "  --version              show the version\n"
    "\n"
    "Exit status: 0 success; 1 wrong usage, an address that is not fetched, or no\n"
    "data folder; 2 the connection failed; 3 time-out; 4 the server answered 400\n"
    "or more, or the redirections ended on a 3xx; 5 some files failed (get,\n"
    "cascade); 130 interrupted.\n";

const char* const kOverviewJa =
    "使い方: vorlen-cli COMMAND [OPTIONS] ADDRESS...\n"
    "        vorlen-cli COMMAND --help   (コマンドごとのオプション)\n"
    "\n"
    "Vorlen Tiram のコマンドライン版です。ウィンドウ版と同じようにページを読み込み、\n"
    "同じデータフォルダ ($XDG_CONFIG_HOME/Vorlen または ~/.config/Vorlen) の\n"
    "オプション、接続設定、ページキャッシュ、キャッシュしないページ、置換ルールを\n"
    "使います。出力は UTF-8 です。日本語ロケールでは日本語、それ以外では英語で\n"
    "表示します。\n"
    "\n"
    "コマンド:\n"
    "  list ADDRESS     ページのリソースをページ順に一行ずつ表示\n"
    "  head ADDRESS     応答ヘッダをそのまま表示 (常にサーバから取得)\n"
    "  source ADDRESS   文字コード変換後のページのテキスト\n"
    "  get ADDRESS...   ダウンロードウィンドウと同じようにファイルをダウンロード\n"
    "  cascade ADDRESS -l LEVELS\n"
    "                   リンクをたどり、ページにあるファイルをダウンロード\n"
    "\n"
    "ADDRESS は web アドレス (http、https)、file アドレス、またはファイルかフォルダの\n"
    "絶対パスです (フォルダはページとして一覧します)。\n"
    "\n"
    "  --help                 この説明を表示\n"
    "  --version              バージョンを表示\n"
    "\n"
    "終了コード: 0 成功、1 使い方の誤り・取得しないアドレス・データフォルダがない、\n"
    "2 接続できない、3 タイムアウト、4 サーバの応答が 400 以上かリダイレクトが 3xx で\n"
    "終わった、5 失敗したファイルがある (get、cascade)、130 中断。\n";

const char* const kConnectionEn =
    "Connection options:\n"
    "  --no-cache             do not serve the page from the cache\n"
    "  --charset NAME         read pages as Shift_JIS, EUC-JP, ISO-2022-JP or UTF-8\n"
    "                         (also sjis, euc, jis, utf8); default: from the page\n"
    "  --proxy HOST:PORT      go through this HTTP proxy ([USER:PASSWORD@]HOST:PORT;\n"
    "                         the credentials go with the CONNECT of https)\n"
    "  --keep-alive           keep connections open for the next requests to the\n"
    "                         same server (HTTP/1.1; default: connect.dat's\n"
    "                         KeepAlive, off unless changed)\n"
    "  --ca-file FILE         also trust the authority (PEM) in FILE for https\n"
    "  --user NAME            user name to answer a 401 with (once per address)\n"
    "  --password TEXT        password to answer a 401 with\n"
    "  --timeout SECONDS      time-out of every wait for the server, 1 to 999\n"
    "                         (default: connect.dat's Timeout, 30 unless changed)\n"
    "  --no-redirect          do not follow redirections (default: follow them,\n"
    "                         as connect.dat says)\n"
    "  --no-text-search       do not list addresses found in the page's text\n";

const char* const kConnectionJa =
    "接続のオプション:\n"
    "  --no-cache             ページをキャッシュから読まない\n"
    "  --charset NAME         ページを Shift_JIS、EUC-JP、ISO-2022-JP、UTF-8 として読む\n"
    "                         (sjis、euc、jis、utf8 も可)。既定: ページから判定\n"
    "  --proxy HOST:PORT      この HTTP プロキシを使う ([USER:PASSWORD@]HOST:PORT。\n"
    "                         認証情報は https の CONNECT に付ける)\n"
    "  --keep-alive           同じサーバへの次の要求のために接続を開いたままにする\n"
    "                         (HTTP/1.1。既定: connect.dat の KeepAlive、変更がなければ\n"
    "                         使わない)\n"
    "  --ca-file FILE         https で FILE (PEM) の認証局も信頼する\n"
    "  --user NAME            401 に答えるユーザ名 (アドレスごとに一度)\n"
    "  --password TEXT        401 に答えるパスワード\n"
    "  --timeout SECONDS      サーバを待つ時間、1 から 999 秒\n"
    "                         (既定: connect.dat の Timeout、変更がなければ 30)\n"
    "  --no-redirect          リダイレクトをたどらない (既定: connect.dat のとおり\n"
    "                         たどる)\n"
    "  --no-text-search       ページのテキストにあるアドレスを一覧しない\n";

const char* const kGetEn =
    "Download options:\n"
    "  -i FILE                addresses from FILE, one per line (- : standard input);\n"
    "                         ranges such as img[01-20].jpg are expanded\n"
    "  -d FOLDER              save folder, made when missing (default: the current\n"
    "                         folder)\n"
    "  -j N                   parallel downloads, 1 to 9 (default: option.dat's\n"
    "                         LoadCount, 5 unless changed in the window program)\n"
    "  -t, --tries N          attempts per file, 0 for no limit (default: 20, as\n"
    "                         wget; --retry N is the same)\n"
    "  --retry-wait SECONDS   wait before each attempt after the first, 0 to 9999\n"
    "                         (default: option.dat's RetryWait, 10 unless changed)\n"
    "  --dir-reapp            re-create the server's folders below the save folder\n"
    "  --skip-at-most KB      skip files of at most KB kilobytes\n"
    "  --skip-at-least KB     skip files of at least KB kilobytes (and those whose\n"
    "                         size the server does not tell)\n"
    "  --unfinished           queue the unfinished-file list again\n"
    "                         (Ctrl+C records unfinished files there)\n"
    "\n"
    "Each file resumes from its partial file. A terminal shows the active rows\n"
    "with the reason of a failed attempt; without one, each failed attempt and\n"
    "each file's end get a line on standard error: ADDRESS TAB ok, skipped:\n"
    "REASON or failed: REASON. Skipped files do not count as failures.\n";

const char* const kGetJa =
    "ダウンロードのオプション:\n"
    "  -i FILE                FILE のアドレスを一行に一つずつ (- : 標準入力)。\n"
    "                         img[01-20].jpg のような範囲は展開する\n"
    "  -d FOLDER              保存先フォルダ。なければ作成 (既定: カレントフォルダ)\n"
    "  -j N                   同時ダウンロード数、1 から 9 (既定: option.dat の\n"
    "                         LoadCount、ウィンドウ版で変更がなければ 5)\n"
    "  -t, --tries N          ファイルごとの試行回数、0 は無制限 (既定: wget と同じ\n"
    "                         20。--retry N も同じ)\n"
    "  --retry-wait SECONDS   二回目以降の試行の前に待つ秒数、0 から 9999\n"
    "                         (既定: option.dat の RetryWait、変更がなければ 10)\n"
    "  --dir-reapp            保存先フォルダの下にサーバのフォルダ構成を再現\n"
    "  --skip-at-most KB      KB キロバイト以下のファイルをスキップ\n"
    "  --skip-at-least KB     KB キロバイト以上のファイル (とサイズ不明のファイル)\n"
    "                         をスキップ\n"
    "  --unfinished           未完了ファイルリストを再びキューに入れる\n"
    "                         (Ctrl+C で未完了のファイルをここに記録)\n"
    "\n"
    "各ファイルは作業ファイルから再開します。端末では実行中の行と失敗した試行の\n"
    "理由を表示し、端末でなければ失敗した試行とファイルの終わりを標準エラーに一行\n"
    "ずつ書きます: ADDRESS TAB 完了、スキップ: 理由、失敗: 理由。スキップは失敗に\n"
    "数えません。\n";

const char* const kCascadeEn =
    "Cascade options (and every option of get):\n"
    "  -l LEVELS              levels of links to follow, 0 to 9999. Files are\n"
    "                         taken from every page searched: -l 0 searches the\n"
    "                         start page alone and takes the files it links to\n"
    "                         (what wget -r -l 1 fetches); each level more also\n"
    "                         searches the pages linked from the last level, so\n"
    "                         -l N compares with wget's -l N+1\n"
    "  --scope all|below|only pages to follow: all every link, to any site (as\n"
    "                         wget -H); below the start folder and below (as wget\n"
    "                         -np); only the start address with any query (a\n"
    "                         bulletin board script); default all\n"
    "  --ext jpg:gif          collect only files with these extensions\n"
    "  --page-query WORDS     take files only from pages with these words:\n"
    "                         word or +word any of them, *word all of them,\n"
    "                         -word none of them\n"
    "  --file-query WORDS     collect only file names matching one word:\n"
    "                         * any text, ? any character, \\ a digit,\n"
    "                         < a run of digits, > a run of non-digits\n"
    "  --list                 print the collected addresses instead of downloading\n";

const char* const kCascadeJa =
    "カスケードのオプション (get のオプションもすべて使えます):\n"
    "  -l LEVELS              たどるリンクの階層数、0 から 9999。検索したすべての\n"
    "                         ページからファイルを集める: -l 0 は開始ページだけを\n"
    "                         検索し、そのリンク先のファイルを集める (wget -r -l 1\n"
    "                         が取得するもの)。一つ増えるごとに前の階層からリンク\n"
    "                         されたページも検索するので、-l N は wget の -l N+1 に\n"
    "                         あたる\n"
    "  --scope all|below|only たどるページ: all はすべてのリンク (他のサイトへも。\n"
    "                         wget -H と同じ)、below は開始ディレクトリ以下\n"
    "                         (wget -np)、only は開始アドレスのみ (クエリは問わない。\n"
    "                         掲示板等)。既定 all\n"
    "  --ext jpg:gif          この拡張子のファイルだけを集める\n"
    "  --page-query WORDS     この語があるページからだけファイルを集める:\n"
    "                         word か +word はどれか、*word はすべて、-word は\n"
    "                         どれもないこと\n"
    "  --file-query WORDS     どれかの語に合うファイル名だけを集める:\n"
    "                         * 任意の文字列、? 任意の一文字、\\ 数字一つ、\n"
    "                         < 数字の並び、> 数字以外の並び\n"
    "  --list                 ダウンロードせずに集めたアドレスを表示\n";

} // namespace

std::string TCliHelp::Text(const std::string& command, bool japanese) {
    const std::string connection = japanese ? kConnectionJa : kConnectionEn;
    if (command == "list" || command == "head" || command == "source") {
        std::string text;
        if (japanese) {
            text = "使い方: vorlen-cli " + command + " [OPTIONS] ADDRESS\n\n";
            if (command == "list")
                text += "ページのリソースをページ順に一行ずつ標準出力に表示します: 種類 (0 web、\n"
                        "1 メール、2 ローカル) TAB アドレス TAB リンクテキスト。「状態: N」と\n"
                        "「タイトル: TEXT」は標準エラーに書きます。\n";
            else if (command == "head")
                text += "応答ヘッダをそのまま表示します (常にサーバから取得)。--no-redirect の\n"
                        "ときは 3xx のヘッダも成功です。\n";
            else
                text += "文字コード変換後のページのテキストを表示します。\n";
        } else {
            text = "Usage: vorlen-cli " + command + " [OPTIONS] ADDRESS\n\n";
            if (command == "list")
                text += "One line per resource of the page on standard output, in page order:\n"
                        "kind (0 web, 1 mail, 2 local), TAB, address, TAB, link text.\n"
                        "\"status: N\" and \"title: TEXT\" go to standard error.\n";
            else if (command == "head")
                text += "The raw response header (always from the server). With --no-redirect a\n"
                        "3xx header is a success too.\n";
            else
                text += "The page text after character conversion.\n";
        }
        return text + "\n" + connection;
    }
    if (command == "get") {
        return std::string(japanese ? "使い方: vorlen-cli get [OPTIONS] ADDRESS...\n\n"
                                    : "Usage: vorlen-cli get [OPTIONS] ADDRESS...\n\n") +
               (japanese ? kGetJa : kGetEn) + "\n" + connection;
    }
    if (command == "cascade") {
        return std::string(japanese ? "使い方: vorlen-cli cascade [OPTIONS] ADDRESS -l LEVELS\n\n"
                                    : "Usage: vorlen-cli cascade [OPTIONS] ADDRESS -l LEVELS\n\n") +
               (japanese ? kCascadeJa : kCascadeEn) + "\n" + (japanese ? kGetJa : kGetEn) + "\n" + connection;
    }
    return japanese ? kOverviewJa : kOverviewEn;
}
