// The dialog of "ファイルを開く": the folder list of the folder dialog, the files of
// the current folder whose names end like the filter's pattern, and the buttons
// "開く" and "キャンセル". Names keep their bytes and are shown readably when they
// are not UTF-8, which Qt's own file dialog cannot list.
#pragma once

#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <string_view>

#include "windows/select_dialog.h"

namespace tagshelf {

class FileOpenDialog : public QDialog {
    Q_OBJECT
  public:
    // `filter` as the toolkit takes it ("MP3ファイル (*.mp3)|*.mp3"); the dialog
    // opens at `folder` (the root when it can't be listed).
    FileOpenDialog(std::string_view filter, const std::string& folder, QWidget* parent = nullptr);

    DirList* Dir1;
    QListWidget* File1;
    QPushButton* cmd_Open;
    QPushButton* cmd_Cancel;

    // The file chosen with "開く" (or a double-click); empty when none was.
    const std::string& chosenFile() const { return chosen_; }

  private:
    void showFiles();
    void open();

    std::string suffix_;  // the pattern's "*" left out, compared without letter case
    std::string chosen_;
};

}  // namespace tagshelf
