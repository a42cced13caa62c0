#pragma once
// The dated history: one folder per day under Path ("YYYYMMDD"), one
// scrambled file per page and day, named by the MD5 of the page's
// comparable address + ".phs", holding title TAB address TAB referer. This
// is the data of the history tree: the day list, each day's pages once read,
// and the files behind them; the Qt view shows it through a model that
// follows the change notices below.
//
// What is written is cleaned first: the title cut to 250 bytes on a
// character boundary, TAB, CR and LF in title and referer turned into
// blanks and percent-escaped in the address (so a record always splits into
// its three fields again), and user name and password taken out of the
// address and the referer. Day folders are created 0700 and page files
// 0600.
//
// Threads: main thread only.
#include "engine/QorFile.h"
#include "platform/DateTime.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TQorHistoryPage {
public:
    std::string Title;              // the caption
    std::unique_ptr<TQorFile> File; // URL and Referer
    std::string FilePath;           // the page's .phs file
};

class TQorHistoryDate {
public:
    std::string DateKey;    // "YYYY/MM/DD"
    std::string FolderName; // "YYYYMMDD"
    bool Opened = false;    // its page files have been read
    std::string Caption;
    std::vector<std::unique_ptr<TQorHistoryPage>> Pages; // by caption once opened
    int Row = 0; // position in the day list
};

class TQorHistoryStore {
public:
    using TRangeEvent = std::function<void(TQorHistoryStore* sender, TQorHistoryDate* day, int first, int last)>;
    using TDayEvent = std::function<void(TQorHistoryStore* sender, TQorHistoryDate* day)>;
    using TEvent = std::function<void(TQorHistoryStore* sender)>;

    TQorHistoryStore();
    ~TQorHistoryStore();
    TQorHistoryStore(const TQorHistoryStore&) = delete;
    TQorHistoryStore& operator=(const TQorHistoryStore&) = delete;

    // Rebuilds the day list from the folders in Path: today's folder is
    // created when missing (false, and nothing listed, when it cannot be);
    // names of eight digits that form a date are listed oldest first when no
    // older than SaveDay days, and deleted when older. Today's folder is
    // always listed; other years count from 2003 up to 2030 or the current
    // year, whichever is later. Other names are left alone.
    bool Read();
    // Records a viewed page in today's folder, replacing the day's file of
    // the same comparable address; a new page joins today's pages at its
    // place by caption when today has been opened. False without a today
    // or when the file cannot be replaced or written.
    bool Add(std::string_view title, std::string_view url, std::string_view referer);
    // A page record for `day`; with `addNode` it joins the day's pages at
    // the end (the caller sorts) and is returned, else it is dropped and
    // none is returned.
    TQorHistoryPage* AddPageItem(TQorHistoryDate* day, std::string_view title, std::string_view url,
                                 std::string_view filePath, std::string_view referer, bool addNode);
    // Reads the day's page files the first time (unreadable files and texts
    // without two TABs are skipped), sorts them by caption and marks an
    // empty day " - No history". True when the day was read by this call.
    bool OpenDateItem(TQorHistoryDate* day);
    // Deletes the files of a day folder and then the folder; a folder that
    // is a symbolic link loses only the link. False when a file stayed.
    bool DeleteDate(std::string_view folderName);
    // Deletes every day in list order, stopping at the first that keeps a
    // file, then reads the folders again. False when a day stayed.
    bool DeleteAll();
    // Deletes one page's file and, when the file is gone, its record.
    bool DeletePage(TQorHistoryDate* day, int row);
    // Deletes a day other than today: its folder (DeleteDate) and its node.
    bool DeleteDay(TQorHistoryDate* day);

    int DayCount() const { return static_cast<int>(days_.size()); }
    TQorHistoryDate* Day(int row) const;
    TQorHistoryDate* TodayNode() const { return today_; }

    // The caption of a day `age` days before today (negative: after).
    static std::string DayCaption(int age, int month, int day, int weekday);

    std::string Path;  // with a trailing "\"
    int SaveDay = 14;
    // The current local date and time; the tests set another.
    std::function<TDateTime()> Clock;
    // Caption order (negative, zero, positive); bytes by default, the view
    // puts the locale's comparison here.
    std::function<int(const std::string&, const std::string&)> CompareCaptions;

    // Change notices for the view. `day` none: the day list itself.
    TEvent OnBeginReset;
    TEvent OnEndReset;
    TRangeEvent OnBeginInsert;
    TDayEvent OnEndInsert;
    TRangeEvent OnBeginRemove;
    TDayEvent OnEndRemove;
    TDayEvent OnChange; // a day's caption

private:
    void ClearDays();
    void RemoveDay(TQorHistoryDate* day);
    void InsertPage(TQorHistoryDate* day, std::unique_ptr<TQorHistoryPage> page, int row);
    bool Less(const TQorHistoryPage& a, const TQorHistoryPage& b) const;

    std::vector<std::unique_ptr<TQorHistoryDate>> days_;
    TQorHistoryDate* today_ = nullptr;
};
