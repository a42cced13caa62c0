#pragma once
// The language of a run: Japanese under a Japanese locale, English
// otherwise, for every line the command line prints.
struct TCliLanguage {
    // The first of LC_ALL, LC_MESSAGES and LANG that is set and not empty
    // decides, as POSIX orders them: Japanese when it starts with "ja".
    static bool IsJapanese(const char* lcAll, const char* lcMessages, const char* lang);
    // The same from this process's environment.
    static bool FromEnvironment();
};
