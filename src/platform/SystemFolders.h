#pragma once
// The folders the program takes from the system, as Windows-form CP932
// paths with a trailing "\" ("C:\home\me\.config\"). Each call reads the
// environment afresh; an empty result means the folder could not be found.
// Call from the main thread (the environment is not guarded against a
// concurrent setenv).
#include <string>

class TSystemFolders {
public:
    // Application data: $XDG_CONFIG_HOME when it is an absolute path, else
    // $HOME/.config (the account's home from the password database when
    // HOME is unset).
    static std::string AppDataFolder();
    // The system temporary folder: $TMPDIR when set, else /tmp.
    static std::string TempFolder();
    // The folder of the running executable (from /proc/self/exe).
    static std::string ExeFolder();
    // The current working folder.
    static std::string CurrentFolder();
};
