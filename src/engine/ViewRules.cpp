#include "engine/ViewRules.h"

#include "engine/FileListRows.h"
#include "engine/QorFile.h"
#include "engine/QorLoadManager.h"
#include "engine/QorOption.h"
#include "engine/QorPageTree.h"
#include "platform/SjisText.h"
#include "platform/StringTable.h"
#include "platform/WinPath.h"

TViewRules::TRowAction TViewRules::RowAction(const TQorFile* file, int dblClk) {
    if (file) {
        if (file->Kind == TQorFile::kLocal) return raOpen;
        if (file->Kind == TQorFile::kMail) return raMail;
        const std::string ext = TSjisText::LowerCase(TWinPath::ExtractFileExt(file->URL->FileName));
        if (ext.empty() || TQorLoadManager::IsPageExt(ext)) return raOpen;
    }
    if (dblClk == qdctOpenByBrowser) return raBrowser;
    if (dblClk == qdctPreview) return raPreview;
    return raNothing;
}

std::string TViewRules::ListStatus(const std::vector<const TFileListRow*>& selected, int rowCount,
                                   bool showAnchor) {
    if (selected.size() != 1) return CountStatus(static_cast<int>(selected.size()), rowCount);
    const TFileListRow& row = *selected.front();
    std::string text;
    if (showAnchor && row.File && row.File->Kind == TQorFile::kWeb) {
        const std::string& name = row.File->URL->FileName;
        text = TStringTable::Get(1000) + ": " + (name.empty() ? "index.html" : name) + " ";
    }
    text += TStringTable::Get(9) + ": " + row.Type;
    if (!row.Location.empty()) text += " " + TStringTable::Get(8) + ": " + row.Location;
    return text;
}

std::string TViewRules::CountStatus(int selectedCount, int rowCount) {
    if (selectedCount > 0) return std::to_string(selectedCount) + " " + TStringTable::Get(11);
    return std::to_string(rowCount) + " " + TStringTable::Get(10);
}

std::string TViewRules::DragEntry(const TQorFile& file) {
    if (file.Kind == TQorFile::kLocal) {
        const std::string path = TWinPath::ExcludeTrailingBackslash(file.URL->GetLocalPath());
        return path.size() > 3 ? path : std::string();
    }
    return file.URL->GetURL();
}

std::string TViewRules::DragText(const std::vector<const TQorFile*>& files,
                                 const std::vector<bool>& isLastRow) {
    std::string text;
    for (size_t i = 0; i < files.size(); ++i) {
        const std::string entry = DragEntry(*files[i]);
        if (entry.empty()) continue;
        text += entry;
        if (i >= isLastRow.size() || !isLastRow[i]) text += "\r\n";
    }
    return text;
}

TQorPageNode* TViewRules::FindChild(const TQorPageNode* node, const TQorFile& file) {
    if (!node) return nullptr;
    const std::string key = file.URL->GetCompURL();
    for (int i = 0; i < node->ChildCount(); ++i) {
        TQorPageNode* child = node->Child(i);
        const tagQORNODEINFO* info = child->Info();
        if (!info) continue;
        if ((info->File && info->File->URL->GetCompURL() == key) || info->CompURL == key) return child;
    }
    return nullptr;
}
