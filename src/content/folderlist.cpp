#include "content/folderlist.h"

#include "shell/errors.h"
#include <QCollator>
#include <QDir>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString currentDirectory() {
    QString dir = QDir::currentPath();
    if (!dir.endsWith(u'/'))
        dir += u'/';
    return dir;
}

[[noreturn]] void cannotEnter(const QString& folder, int err) {
    throw EInOutError(QStringLiteral("Cannot enter the folder %1: %2")
                          .arg(folder, QString::fromLocal8Bit(std::strerror(err))));
}

void enter(const QString& folder) {
    if (::chdir(QFile::encodeName(folder).constData()) != 0)
        cannotEnter(folder, errno);
}

bool isExistingFile(const QString& path) {
    struct stat st {};
    return ::stat(QFile::encodeName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool matchFrom(const QString& name, qsizetype n, const QString& pattern, qsizetype p) {
    // Iterative wildcard match with one back-tracking point for the last "*" seen.
    qsizetype starP = -1, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() &&
            (pattern[p] == u'?' ||
             (pattern[p] != u'*' && pattern[p].toCaseFolded() == name[n].toCaseFolded()))) {
            ++n;
            ++p;
        } else if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (starP >= 0) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*')
        ++p;
    return p == pattern.size();
}

} // namespace

bool matchesWildcard(const QString& name, const QString& pattern) {
    return !pattern.isEmpty() && matchFrom(name, 0, pattern, 0);
}

TFileListBox::TFileListBox() : directory_(currentDirectory()), mask_(QStringLiteral("*.*")) {}

void TFileListBox::setMask(const QString& mask) {
    if (mask == mask_)
        return;
    mask_ = mask;
    if (inUse_)
        read();
}

void TFileListBox::ApplyFilePath(const QString& text) {
    if (text.isEmpty())
        return;
    const qsizetype slash = text.lastIndexOf(u'/');
    const QString folderPart = slash < 0 ? QString() : text.left(slash + 1);
    const QString finalPart = slash < 0 ? text : text.mid(slash + 1);

    if (!folderPart.isEmpty())
        enter(folderPart);
    if (!finalPart.isEmpty() && !finalPart.contains(u'*') && !finalPart.contains(u'?') &&
        !isExistingFile(finalPart))
        enter(finalPart);
    directory_ = currentDirectory();
    if (inUse_)
        read();
}

void TFileListBox::Update() {
    if (inUse_)
        read();
}

void TFileListBox::use() {
    if (!inUse_) {
        inUse_ = true;
        read();
    }
}

void TFileListBox::read() {
    enter(directory_);

    QStringList names;
    DIR* dir = ::opendir(".");
    if (!dir)
        cannotEnter(directory_, errno);
    QStringList entries;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue; // hidden, and the "." and ".." entries
        struct stat st {};
        if (::stat(e->d_name, &st) != 0 || !S_ISREG(st.st_mode))
            continue;
        entries << QFile::decodeName(e->d_name);
    }
    ::closedir(dir);

    for (const QString& pattern : mask_.split(u';'))
        for (const QString& name : entries)
            if (matchesWildcard(name, pattern))
                names << name;

    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::stable_sort(names.begin(), names.end(), [&](const QString& a, const QString& b) {
        return collator.compare(a, b) < 0;
    });
    items_ = std::move(names);
}

int TFileListBox::Count() {
    use();
    return static_cast<int>(items_.size());
}

QString TFileListBox::Item(int index) {
    use();
    if (index < 0 || index >= items_.size())
        throw EListError(index);
    return items_[index];
}

int TFileListBox::IndexOf(const QString& name) {
    use();
    for (qsizetype i = 0; i < items_.size(); ++i)
        if (items_[i].compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}
