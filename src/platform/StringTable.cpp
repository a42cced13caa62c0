#include "platform/StringTable.h"

#include "platform/CodePage.h"

#include <array>

namespace {

struct Entry {
    int id;
    const char* utf8;
};

// Messages are 1 to 61, captions 1000 to 1035. Ids not listed are unused.
const Entry kEntries[] = {
    {1, "ページ"},
    {2, "を開いています..."},
    {3, "このファイルをダウンロードしますか？"},
    {4, "ダウンロード確認"},
    {6, "open fail"},
    {7, "time out"},
    {8, "場所"},
    {9, "種類"},
    {10, "個のオブジェクト"},
    {11, "個のオブジェクトを選択"},
    {12, "のプロパティ"},
    {13, "ポート番号が不正です。"},
    {14, "エラー"},
    {15, "cancel"},
    {17, "全て完了"},
    {19, "取得中..."},
    {20, "取得に失敗しました"},
    {21, "ファイルはありません"},
    {22, "中断"},
    {24, "同時ダウンロード数は 1 から 9 の間で指定してください。"},
    {25, "タイムアウト時間は 1 秒から 999 秒の間で指定してください。 "},  // ends with a blank
    {27, "ダウンロード先のフォルダを選択してください。"},
    {29, "file I/O"},
    {31, "ファイル"},
    {35, "（使わない）"},
    {36, "プレビュー"},
    {37, "取得完了"},
    {38, "このファイルは表示できません。"},
    {39, "（なし）"},
    {40, "残り"},
    {41, "名前を指定してください。"},
    {42, "ファイルの種類を指定してください。"},
    {45, "実行"},
    {46, "ページの保存日数は 0 日から 999　日の間で指定してください。"},  // full-width space before the last "日"
    {47, "全ての履歴を削除してよろしいですか？"},
    {48, "確認"},
    {49, "一時ファイル領域は 1 MB から 999 MB の間で指定してください。"},
    {50, "へ戻る"},
    {51, "へ進む"},
    {52, "更新通知の期限日数は 0 日から 999 日の間で指定してください。"},
    {55, "初期処理でエラーが発生しました。プログラムの実行を継続できません。"},
    {56, "対象URLを指定してください。"},
    {57, "置換URLを指定してください。"},
    {58, "ステータス"},
    {59, "このファイルは実行できません。"},
    {1000, "名前"},
    {1004, "インターネット"},
    {1005, "アドレス(&D)"},
    {1006, "移動"},
    {1007, "ファイル"},
    {1008, "このファイルにアクセスするには認証が必要です。"},
    {1009, "ユーザーID:"},
    {1010, "パスワード:"},
    {1011, "キャンセル"},
    {1020, "電子メールアドレス"},
    {1024, "今日"},
    {1025, "昨日"},
    {1026, "%d 月 %d日（%s）"},
    {1027, "日"},
    {1028, "月"},
    {1029, "火"},
    {1030, "水"},
    {1031, "木"},
    {1032, "金"},
    {1033, "土"},
    {1035, "ローカルルート"},
};

constexpr int kMessageLast = 61;
constexpr int kCaptionFirst = 1000;
constexpr int kCaptionLast = 1035;

struct Table {
    std::array<std::string, kMessageLast + 1> messages;
    std::array<std::string, kCaptionLast - kCaptionFirst + 1> captions;

    Table() {
        for (const Entry& e : kEntries) {
            std::string text = TCodePage::FromUtf8(e.utf8);
            if (e.id <= kMessageLast) messages[e.id] = std::move(text);
            else captions[e.id - kCaptionFirst] = std::move(text);
        }
    }
};

} // namespace

const std::string& TStringTable::Get(int id) {
    // Converted once, on first use; a function-local static is thread-safe.
    static const Table table;
    static const std::string empty;
    if (id >= 1 && id <= kMessageLast) return table.messages[id];
    if (id >= kCaptionFirst && id <= kCaptionLast) return table.captions[id - kCaptionFirst];
    return empty;
}
