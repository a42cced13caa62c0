#include "views/QorFileImage.h"

#include "shell/ShellObject.h"

int TQorFileImage::AddFileType(std::string_view name) {
    std::string key = TFileTypeTable::TypeKey(name);
    const int found = Types.IndexOf(key);
    if (found >= 0) return found;
    std::string typeName;
    bool generic = false;
    QIcon icon;
    TShellObject::GetFileTypeInfo(key, typeName, generic, icon);
    if (typeName.empty()) typeName = TFileTypeTable::DefaultTypeName(key);
    Icons.append(icon);
    return Types.Append(std::move(key), std::move(typeName));
}

QIcon TQorFileImage::GetIcon(int index) const {
    return index >= 0 && index < Icons.size() ? Icons[index] : QIcon();
}
