// frm_Select, the folder dialog of "フォルダを開く": a drive list of the mounted
// file systems, a folder list showing the path to the current folder and its
// subfolders (a double-click or Enter opens one), and the buttons "決定" (which
// chooses the highlighted folder) and "キャンセル".
#pragma once

#include <QComboBox>
#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <string>
#include <vector>

#include "core/toolkit.h"

namespace tagshelf {

// The mount points of the mounted file systems that hold files ("/" first);
// `mountsFile` is in the format of /proc/self/mounts.
std::vector<std::string> mountedFileSystems(const std::string& mountsFile = "/proc/self/mounts");

// The folder list: the current folder's ancestors from the root down, then its
// subfolders by name (hidden ones left out).
class DirList : public QListWidget {
    Q_OBJECT
  public:
    explicit DirList(QWidget* parent = nullptr);

    // Opens a folder; false (and nothing changes) when it can't be listed.
    bool setPath(const std::string& folder);
    const std::string& path() const { return path_; }
    // The folder an item stands for.
    static std::string itemPath(const QListWidgetItem* item);

  signals:
    void pathChanged();

  private:
    std::string path_;
};

class SelectDialog : public QDialog, public ModalDialog {
    Q_OBJECT
  public:
    // Opens at `startFolder` (the root folder when it can't be listed).
    SelectDialog(Toolkit& toolkit, QWidget* parent = nullptr, const std::string& startFolder = "/",
                 std::vector<std::string> drives = mountedFileSystems());

    int execModal() override { return exec(); }
    std::string dialogName() const override { return "frm_Select"; }

    QComboBox* Drive1;
    DirList* Dir1;
    QPushButton* cmd_Decision;
    QPushButton* cmd_Cansel;

    // Handlers.
    void Drive1_Change();
    void cmd_Decision_Click();
    void cmd_Cansel_Click();

    // The drive (mount point) that holds a folder.
    std::string driveOf(const std::string& folder) const;

    // The folder chosen with "決定", with a trailing "/"; empty when none was.
    const std::string& chosenFolder() const { return chosen_; }

  private:
    void selectDrive(const std::string& drive);

    Toolkit& toolkit_;
    std::vector<std::string> drives_;
    std::string chosen_;
};

}  // namespace tagshelf
