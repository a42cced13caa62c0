#pragma once
// The main window's rules for gestures in its views (page tree, history,
// file list) as functions of plain values. Texts are CP932.
//
// Threads: main thread (FindChild walks the page tree).
#include <string>
#include <vector>

class TQorFile;
class TQorPageNode;
struct TFileListRow;

class TViewRules {
public:
    // What a double-click (or Enter) on a file-list row does.
    enum TRowAction { raOpen, raMail, raBrowser, raPreview, raNothing };
    // `dblClk` is the option (TQorDblClickType); `file` none for no row.
    static TRowAction RowAction(const TQorFile* file, int dblClk);

    // The status text of the file-list selection: for one row name (with
    // `showAnchor`, web records only), type and location; for several the
    // count selected; for none the count of rows.
    static std::string ListStatus(const std::vector<const TFileListRow*>& selected, int rowCount,
                                  bool showAnchor);
    // The counts alone, for the unfinished-file list.
    static std::string CountStatus(int selectedCount, int rowCount);

    // What a drag of records carries: a local record its path without a
    // trailing "\" (nothing for paths of 3 characters or fewer), any other
    // its full URL; each entry followed by CR LF unless `isLastRow` says
    // its row is the list's last.
    static std::string DragText(const std::vector<const TQorFile*>& files,
                                const std::vector<bool>& isLastRow);
    // One record's drag text (empty when it gives none).
    static std::string DragEntry(const TQorFile& file);

    // The child of `node` that a file-list record opens: the first whose
    // record has the record's comparable URL, or whose node key equals it;
    // none when the page has no such link.
    static TQorPageNode* FindChild(const TQorPageNode* node, const TQorFile& file);
};
