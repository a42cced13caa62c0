#pragma once
// The file list's table of file types with their names and icons from the
// desktop (the MIME database and the icon theme, through TShellObject).
// Entries are only appended; index i of Types and Icons describe one type.
#include "engine/FileTypeTable.h"

#include <QIcon>
#include <QList>

#include <string>
#include <string_view>

class TQorFileImage : public TFileTypeSource {
public:
    // The index of the name's type ("" for a folder), added when new. A
    // type the desktop cannot name is "xyz ファイル"; one without an icon
    // shows the generic file icon. Never fails.
    int AddFileType(std::string_view name) override;
    std::string GetTypeName(int index) const override { return Types.GetTypeName(index); }
    // The icon at an index; a null icon outside.
    QIcon GetIcon(int index) const;

    TFileTypeTable Types;
    // One icon serves the small and the large size: Qt picks the pixmap.
    QList<QIcon> Icons;
};
