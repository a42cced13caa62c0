#pragma once
// The growing table of file types behind the file list's type column and
// icons: a key per type (the lower-case extension with its dot, or "<dir>"
// for folders) and its display name. Entries are only appended.
//
// TFileTypeSource is what the list's rows ask: the window's file image
// (names and icons from the desktop) and this table alone (names only, for
// code without a display) both answer it.
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class TFileTypeSource {
public:
    virtual ~TFileTypeSource() = default;
    // Index of the type of `name` (a file name, "" for a folder, or an
    // extension such as ".eml"), added when new; -1 on failure.
    virtual int AddFileType(std::string_view name) = 0;
    // The display name at an index from AddFileType; empty outside.
    virtual std::string GetTypeName(int index) const = 0;
};

class TFileTypeTable : public TFileTypeSource {
public:
    // ".jpg" for "Photo.JPG", "" for "README", "<dir>" for "".
    static std::string TypeKey(std::string_view name);
    // The name of a type the desktop does not know: "xyz ファイル", or
    // "ファイル" alone for the key "" or "<dir>" (CP932).
    static std::string DefaultTypeName(std::string_view key);

    int IndexOf(std::string_view key) const;
    // Appends without looking: the caller has checked IndexOf.
    int Append(std::string key, std::string typeName);

    // Looks the key up, or asks OnTypeName (empty answer: DefaultTypeName).
    int AddFileType(std::string_view name) override;
    std::string GetTypeName(int index) const override;
    int Count() const { return static_cast<int>(TypeKeys.size()); }

    // The desktop's name of a type key; empty when it has none.
    std::function<std::string(const std::string& key)> OnTypeName;

    std::vector<std::string> TypeKeys;
    std::vector<std::string> TypeNames;

private:
    std::unordered_map<std::string, int> index_;
};
