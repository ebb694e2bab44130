#include "windows/select_dialog.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>
#include <algorithm>
#include <fstream>
#include <sstream>

#include "core/file_systems.h"
#include "windows/file_names.h"

namespace tagshelf {

namespace {

constexpr int kPathRole = Qt::UserRole + 1;

QString qs(const std::string& s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}

// Mount points in the mounts file escape blanks and backslashes as \ooo.
std::string unescapeMountPoint(const std::string& s) {
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 3 < s.size() + 0 &&
            std::isdigit(static_cast<unsigned char>(s[i + 1]))) {
            out.push_back(static_cast<char>(std::stoi(s.substr(i + 1, 3), nullptr, 8)));
            i += 3;
        } else {
            out.push_back(s[i]);
        }
    }
    return out;
}

std::string parentOf(const std::string& folder) {
    if (folder == "/") return "/";
    std::size_t slash = folder.find_last_of('/', folder.size() - 2);
    return slash == 0 || slash == std::string::npos ? "/" : folder.substr(0, slash);
}

std::string withoutTrailingSlash(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

}  // namespace

std::vector<std::string> mountedFileSystems(const std::string& mountsFile) {
    std::vector<std::string> drives{"/"};
    std::ifstream in(mountsFile);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string device, mountPoint, type;
        if (!(fields >> device >> mountPoint >> type)) continue;
        mountPoint = unescapeMountPoint(mountPoint);
        if (isPseudoFileSystemType(type) || isMemoryFileSystemType(type) || mountPoint.empty() ||
            mountPoint[0] != '/') {
            continue;
        }
        if (std::find(drives.begin(), drives.end(), mountPoint) == drives.end()) {
            drives.push_back(mountPoint);
        }
    }
    std::sort(drives.begin() + 1, drives.end());
    return drives;
}

// ---- DirList ------------------------------------------------------------------

DirList::DirList(QWidget* parent) : QListWidget(parent) {
    setObjectName(QStringLiteral("Dir1"));
    // A double-click or Enter opens the folder; only "決定" chooses one.
    connect(this, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { setPath(itemPath(item)); });
}

std::string DirList::itemPath(const QListWidgetItem* item) {
    // The path keeps its bytes: a folder name need not be valid UTF-8.
    return item ? item->data(kPathRole).toByteArray().toStdString() : std::string();
}

bool DirList::setPath(const std::string& folderIn) {
    std::string folder = withoutTrailingSlash(folderIn.empty() ? "/" : folderIn);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return false;
    std::vector<std::string> children;
    std::string base = folder == "/" ? "/" : folder + "/";
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name.empty() || name[0] == '.') continue;
        bool isDir = e->d_type == DT_DIR;
        if (e->d_type == DT_UNKNOWN || e->d_type == DT_LNK) {
            struct stat st {};
            isDir = ::stat((base + name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
        }
        if (isDir) children.push_back(name);
    }
    ::closedir(dir);
    std::sort(children.begin(), children.end());

    path_ = folder;
    clear();
    // The chain of folders from the root to the current one.
    std::vector<std::string> chain;
    for (std::string p = folder;; p = parentOf(p)) {
        chain.push_back(p);
        if (p == "/") break;
    }
    std::reverse(chain.begin(), chain.end());
    QIcon openIcon = style()->standardIcon(QStyle::SP_DirOpenIcon);
    QIcon closedIcon = style()->standardIcon(QStyle::SP_DirClosedIcon);
    int depth = 0;
    for (const std::string& p : chain) {
        std::string label = p == "/" ? "/" : p.substr(p.find_last_of('/') + 1);
        auto* item = new QListWidgetItem(openIcon,
                                         QString(depth * 2, QLatin1Char(' ')) + displayPath(label));
        item->setData(kPathRole, QByteArray::fromStdString(p));
        addItem(item);
        ++depth;
    }
    setCurrentRow(count() - 1);
    for (const std::string& name : children) {
        auto* item = new QListWidgetItem(closedIcon,
                                         QString(depth * 2, QLatin1Char(' ')) + displayPath(name));
        item->setData(kPathRole, QByteArray::fromStdString(base + name));
        addItem(item);
    }
    emit pathChanged();
    return true;
}

// ---- SelectDialog -------------------------------------------------------------

SelectDialog::SelectDialog(Toolkit& toolkit, QWidget* parent, const std::string& startFolder,
                           std::vector<std::string> drives)
    : QDialog(parent), toolkit_(toolkit), drives_(std::move(drives)) {
    setObjectName(QStringLiteral("frm_Select"));
    setWindowTitle(QStringLiteral("フォルダを開く"));
    setModal(true);

    Drive1 = new QComboBox(this);
    Drive1->setObjectName(QStringLiteral("Drive1"));
    for (const std::string& d : drives_)
        Drive1->addItem(qs(d));
    Dir1 = new DirList(this);
    Dir1->setMinimumSize(320, 280);
    cmd_Decision = new QPushButton(QStringLiteral("決定"), this);
    cmd_Decision->setObjectName(QStringLiteral("cmd_Decision"));
    cmd_Cansel = new QPushButton(QStringLiteral("キャンセル"), this);
    cmd_Cansel->setObjectName(QStringLiteral("cmd_Cansel"));
    // Enter belongs to the folder list: no button presses itself on it.
    for (QPushButton* b : {cmd_Decision, cmd_Cansel}) {
        b->setAutoDefault(false);
        b->setDefault(false);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmd_Decision);
    buttons->addWidget(cmd_Cansel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Drive1);
    layout->addWidget(Dir1);
    layout->addLayout(buttons);

    // The dialog opens at the folder chosen last (at first the root folder).
    if (!Dir1->setPath(startFolder)) Dir1->setPath("/");
    selectDrive(driveOf(Dir1->path()));

    connect(Drive1, &QComboBox::currentIndexChanged, this, [this] { Drive1_Change(); });
    connect(cmd_Decision, &QPushButton::clicked, this, [this] { cmd_Decision_Click(); });
    connect(cmd_Cansel, &QPushButton::clicked, this, [this] { cmd_Cansel_Click(); });
}

void SelectDialog::selectDrive(const std::string& drive) {
    QSignalBlocker block(Drive1);
    int i = Drive1->findText(qs(drive));
    if (i < 0) {
        Drive1->addItem(qs(drive));
        i = Drive1->count() - 1;
    }
    Drive1->setCurrentIndex(i);
}

std::string SelectDialog::driveOf(const std::string& folder) const {
    std::string best = "/";
    for (const std::string& d : drives_) {
        bool inside = folder == d || (folder.rfind(d, 0) == 0 && folder.size() > d.size() &&
                                      (d == "/" || folder[d.size()] == '/'));
        if (inside && d.size() > best.size()) best = d;
    }
    return best;
}

void SelectDialog::Drive1_Change() {
    std::string drive = Drive1->currentText().toStdString();
    while (!Dir1->setPath(drive)) {
        MsgAnswer a = toolkit_.messageBox(
            "ドライブの変更時にエラーが発生しました。\n使用可能なドライブであるかを確認してください"
            "。",
            MsgButtons::RetryCancel, MsgIcon::Exclamation);
        if (a != MsgAnswer::Retry) {
            selectDrive(driveOf(Dir1->path()));
            return;
        }
    }
}

void SelectDialog::cmd_Decision_Click() {
    // The highlighted folder, or the open one when none is highlighted.
    std::string folder =
        Dir1->currentItem() ? DirList::itemPath(Dir1->currentItem()) : Dir1->path();
    if (folder.empty() || folder.back() != '/') folder += '/';
    chosen_ = folder;
    accept();
}

void SelectDialog::cmd_Cansel_Click() {
    reject();
}

}  // namespace tagshelf
