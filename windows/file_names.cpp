#include "windows/file_names.h"

#include <dirent.h>
#include <sys/stat.h>

#include <QFile>
#include <QMimeData>
#include <QSysInfo>
#include <QUrl>

#include "core/text.h"

namespace tagshelf {

namespace {

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// The one entry of `folder` that Qt shows as `name`, or nothing.
std::string entryShownAs(const std::string& folder, const QString& name) {
    DIR* dir = ::opendir(folder.empty() ? "/" : folder.c_str());
    if (!dir) return {};
    std::string found;
    int matches = 0;
    while (dirent* e = ::readdir(dir)) {
        if (QFile::decodeName(e->d_name) == name && ++matches == 1) found = e->d_name;
    }
    ::closedir(dir);
    return matches == 1 ? found : std::string();
}

void dropTrailingSlashes(std::string& path) {
    while (path.size() > 1 && path.back() == '/')
        path.pop_back();
}

}  // namespace

std::string localPathBytes(const QString& path) {
    const std::string direct = QFile::encodeName(path).toStdString();
    if (!path.startsWith(QLatin1Char('/')) || exists(direct)) return direct;
    std::string out;
    for (const QString& name : path.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        std::string next = out + "/" + QFile::encodeName(name).toStdString();
        if (!exists(next)) {
            const std::string entry = entryShownAs(out, name);
            if (!entry.empty()) next = out + "/" + entry;
        }
        out = std::move(next);
    }
    return out.empty() ? direct : out;
}

std::vector<std::string> droppedPaths(const QMimeData& data) {
    std::vector<std::string> paths;
    const QString uriList = QStringLiteral("text/uri-list");
    if (!data.hasFormat(uriList)) {
        for (const QUrl& url : data.urls()) {
            if (url.isLocalFile()) paths.push_back(localPathBytes(url.toLocalFile()));
        }
    }
    const QByteArray host = QSysInfo::machineHostName().toUtf8();
    for (QByteArray line : data.data(uriList).split('\n')) {
        line = line.trimmed();
        if (!line.startsWith("file://")) continue;  // comments and other schemes
        const QByteArray rest = line.mid(7);
        const qsizetype slash = rest.indexOf('/');
        const QByteArray from = rest.left(slash);
        if (slash < 0 || !(from.isEmpty() || from == "localhost" || from == host)) continue;
        paths.push_back(QByteArray::fromPercentEncoding(rest.mid(slash)).toStdString());
    }
    for (std::string& p : paths)
        dropTrailingSlashes(p);
    return paths;
}

QString displayPath(std::string_view path) {
    const std::string text = pathForDisplay(path);
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tagshelf
