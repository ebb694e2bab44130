#include "windows/file_open_dialog.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <algorithm>
#include <cctype>
#include <vector>

#include "windows/file_names.h"

namespace tagshelf {

namespace {

constexpr int kNameRole = Qt::UserRole + 1;

bool endsWithNoCase(const std::string& name, const std::string& suffix) {
    if (name.size() < suffix.size()) return false;
    return std::equal(
        suffix.begin(), suffix.end(), name.end() - static_cast<long>(suffix.size()),
        [](unsigned char a, unsigned char b) { return std::tolower(a) == std::tolower(b); });
}

}  // namespace

FileOpenDialog::FileOpenDialog(std::string_view filter, const std::string& folder, QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("ファイルを開く"));
    setModal(true);
    const std::size_t bar = filter.rfind('|');
    const std::string_view pattern = bar == std::string_view::npos ? "" : filter.substr(bar + 1);
    suffix_ = std::string(pattern.substr(pattern.rfind('*') + 1));

    Dir1 = new DirList(this);
    File1 = new QListWidget(this);
    File1->setObjectName(QStringLiteral("File1"));
    cmd_Open = new QPushButton(QStringLiteral("開く"), this);
    cmd_Cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    auto* lists = new QHBoxLayout;
    lists->addWidget(Dir1);
    lists->addWidget(File1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cmd_Open);
    buttons->addWidget(cmd_Cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(lists);
    layout->addLayout(buttons);
    resize(640, 400);

    connect(Dir1, &DirList::pathChanged, this, [this] { showFiles(); });
    connect(File1, &QListWidget::itemDoubleClicked, this, [this] { open(); });
    connect(cmd_Open, &QPushButton::clicked, this, [this] { open(); });
    connect(cmd_Cancel, &QPushButton::clicked, this, [this] { reject(); });
    if (!Dir1->setPath(folder)) Dir1->setPath("/");
}

void FileOpenDialog::showFiles() {
    File1->clear();
    const std::string folder = Dir1->path();
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        const std::string name = e->d_name;
        struct stat st {};
        if (name[0] == '.' || !endsWithNoCase(name, suffix_)) continue;
        if (::stat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) {
            names.push_back(name);
        }
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        auto* item = new QListWidgetItem(displayPath(name), File1);
        item->setData(kNameRole, QByteArray::fromStdString(name));
    }
}

void FileOpenDialog::open() {
    const QListWidgetItem* item = File1->currentItem();
    if (!item) return;
    const std::string folder = Dir1->path();
    chosen_ =
        (folder == "/" ? "" : folder) + "/" + item->data(kNameRole).toByteArray().toStdString();
    accept();
}

}  // namespace tagshelf
