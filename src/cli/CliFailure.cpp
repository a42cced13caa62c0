#include "cli/CliFailure.h"

#include "cli/CliText.h"
#include "download/QorDownloadManager.h"
#include "engine/QorConnGeneral.h"
#include "platform/WinPath.h"

#include <string>

std::string TCliFailure::Connect(TConnectFailure failure, const std::string& detail, const TQorConnGeneral& conn,
                                 bool japanese) {
    std::string reason;
    switch (failure) {
    case cfCertificate:
        reason = TCliText::Pick(japanese, "サーバの証明書を受け入れられません (", "the server's certificate is refused (") +
                 detail + ")";
        return reason;
    case cfHandshake:
        reason = TCliText::Pick(japanese, "TLS で接続できません (", "TLS failed (") + detail + ")";
        return reason;
    case cfProxyTunnel:
        return TCliText::Pick(japanese, "プロキシ ", "proxy ") + conn.GetProxy() + ":" +
               std::to_string(conn.GetProxyPort()) + ": " +
               TCliText::Pick(japanese, "トンネルを開けません (", "no tunnel (") + detail + ")";
    case cfUnknownHost: reason = TCliText::Pick(japanese, "ホストが見つかりません", "unknown host"); break;
    case cfRefused: reason = TCliText::Pick(japanese, "接続を拒否されました", "connection refused"); break;
    case cfTimedOut: reason = TCliText::Pick(japanese, "接続がタイムアウトしました", "connection timed out"); break;
    case cfUnreachable: reason = TCliText::Pick(japanese, "ホストに到達できません", "host unreachable"); break;
    default: reason = TCliText::Pick(japanese, "接続できません", "cannot connect"); break;
    }
    if (!conn.GetUseProxy()) return reason;
    return TCliText::Pick(japanese, "プロキシ ", "proxy ") + conn.GetProxy() + ":" +
           std::to_string(conn.GetProxyPort()) + ": " + reason;
}

std::string TCliFailure::TimedOut(int seconds, bool japanese) {
    const std::string s = std::to_string(seconds);
    return japanese ? SJ("タイムアウトしました (") + s + SJ(" 秒以内に応答がありません)")
                    : "timed out (no answer within " + s + " s)";
}

std::string TCliFailure::Status(int status, bool redirect, bool japanese) {
    const std::string code = std::to_string(status);
    if (status >= 300 && status < 400) {
        if (redirect)
            return TCliText::Pick(japanese, "リダイレクトが終わりません (最後の応答 ", "the redirections did not end (last answer ") +
                   code + ")";
        return TCliText::Pick(japanese, "リダイレクトをたどっていません (応答 ", "redirection not followed (answer ") + code +
               ")";
    }
    return TCliText::Pick(japanese, "サーバの応答 ", "the server answered ") + code;
}

std::string TCliFailure::NotFetched(bool japanese) {
    return TCliText::Pick(japanese, "取得していません (取得するのは http、https と file のアドレスだけです)",
                          "not fetched (only http, https and file addresses are fetched)");
}

int TCliFailure::Page(int state, int reply, bool local, bool take3xx, TConnectFailure failure, const std::string& detail,
                      const TQorConnGeneral& conn, bool japanese, std::string& reason) {
    reason.clear();
    switch (state) {
    case 0: break;
    case 1: reason = TCliText::Pick(japanese, "中断しました", "interrupted"); return 130;
    case 2: reason = Connect(failure, detail, conn, japanese); return 2;
    case 3: reason = TimedOut(conn.GetTimeout(), japanese); return 3;
    default: reason = TCliText::Pick(japanese, "ファイルエラー", "file error"); return 2;
    }
    // A network load that asked nothing of any server: a scheme that is
    // not fetched.
    if (reply == 0 && !local) {
        reason = NotFetched(japanese);
        return 1;
    }
    switch (reply) {
    case 900: reason = TCliText::Pick(japanese, "そのアドレスには表示するものがありません", "nothing to show at that address"); return 4;
    case 904: reason = TCliText::Pick(japanese, "ファイルがありません", "no such file"); return 4;
    case 905: reason = TCliText::Pick(japanese, "ファイルを読み込めません", "the file cannot be read"); return 4;
    default: break;
    }
    if (reply >= 400 || (reply >= 300 && reply < 400 && !take3xx)) {
        reason = Status(reply, conn.GetRedirect(), japanese);
        return 4;
    }
    return 0;
}

bool TCliFailure::Saved(const TQorDownloadManager& m) {
    return m.Result == 0 && m.StatusCode >= 200 && m.StatusCode < 300;
}

bool TCliFailure::Skipped(const TQorDownloadManager& m) { return m.Result == 1 && m.SizeRefused; }

std::string TCliFailure::Download(const TQorDownloadManager& m, const TQorConnGeneral& conn, bool japanese) {
    if (!m.File->URL->IsHttp()) return NotFetched(japanese);
    if (Skipped(m)) return TCliText::Pick(japanese, "サイズフィルタ", "size filter");
    switch (m.Result) {
    case 0:
        return Status(m.StatusCode, conn.GetRedirect(), japanese);
    case 1:
        if (m.TransferError == 1) return TCliText::Pick(japanese, "中断しました", "cancelled");
        return TCliText::Pick(japanese, "作業ファイルを書き込めません", "cannot write the partial file");
    case 2:
        return Connect(m.ConnectFailure, m.ConnectDetail, conn, japanese);
    case 3:
        if (m.TransferError == 3) return TimedOut(conn.GetTimeout(), japanese);
        return TCliText::Pick(japanese, "接続が途中で切れました (", "the connection ended early (") +
               std::to_string(m.LoadSize.load()) + " / " + std::to_string(m.FileSize.load()) +
               TCliText::Pick(japanese, " バイト)", " bytes)");
    case 4:
        if (m.TransferError == 4) return TCliText::Pick(japanese, "作業ファイルを書き込めません", "cannot write the partial file");
        return TCliText::Pick(japanese, "保存先フォルダに書き込めません: ", "cannot write to the save folder ") +
               TCodePage::FromUtf8(TWinPath::ToNative(m.SaveDir.empty() ? m.DefaultSaveDir : m.SaveDir));
    default:
        return TCliText::Pick(japanese, "エラー ", "error ") + std::to_string(m.Result);
    }
}
