#pragma once
// The encodings a page can announce or be guessed to have. The numbers are
// stored in settings and lists, so they never change.
enum TCharsetType : int {
    ctUnknown = 0,
    ctSjis = 1,
    ctEuc = 2,
    ctJis = 3,
    ctUtf8 = 4,
};
