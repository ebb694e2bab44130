// The program-wide state: the program folder and catalogue name, the record list
// and its count, the view state, the file being registered, and the database
// engine behind the connections. Main owns one; tests build a fresh one in a
// temporary folder.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "app/toolkit.h"
#include "catalogue/record_list.h"

namespace tagshelf {

class Engine;

// The eleven columns the grid can show, in the only order they appear.
inline constexpr int kDataColumns = 11;

struct ViewState {
    bool SearchMode = false;  // the grid shows table List instead of FileList
    std::string SortCaption;  // header caption last sorted by; empty when none
    std::array<bool, kDataColumns> ColumnVisible{};
    int VisibleColumnCount = 0;
    std::int64_t SelectedRow = 0;  // grid row of the last double-click

    ViewState() { showAllColumns(); }
    void showAllColumns() {
        ColumnVisible.fill(true);
        VisibleColumnCount = kDataColumns;
    }
};

class AppState {
  public:
    explicit AppState(Toolkit& toolkit);
    ~AppState();
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    Toolkit& toolkit;

    std::string gstrAppPath;  // the program folder (the working folder at start)
    std::string gstrDbName;   // as the INI file gives it: "\TagShelfList.mdb"
    std::string gstrErrMsg;   // text of the last database error message

    RecordList records;
    std::int32_t glngRecordCount = 0;
    ViewState view;

    std::string CurrentFile;      // the path being registered, or the folder chosen
    std::int32_t AudioStart = 1;  // 1-based position of the first byte after an ID3v2 tag

    // The catalogue file: gstrAppPath followed by gstrDbName, where "\" stands for
    // the path separator. When catalogueOverride is set (the command line's
    // --catalogue), it is used instead.
    std::string cataloguePath() const;
    std::string catalogueOverride;

    Engine& engine();

  private:
    std::unique_ptr<Engine> engine_;
};

}  // namespace tagshelf
