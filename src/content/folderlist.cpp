#include "content/folderlist.h"

#include "core/errors.h"
#include "core/filenames.h"
#include "core/shareaccess.h"
#include <QCollator>
#include <QDir>
#include <QLocale>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

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
    if (::chdir(encodeFileName(folder).constData()) != 0)
        cannotEnter(folder, errno);
}

bool isExistingFile(const QString& path) {
    struct stat st {};
    return ::stat(encodeFileName(path).constData(), &st) == 0 && !S_ISDIR(st.st_mode);
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
    if (pattern.isEmpty())
        return false;
    // The usual mask entry, "*" and then a plain ending such as ".jpg", matches exactly the names
    // with that ending: compared from the back, without the general match's back-tracking.
    const qsizetype tail = pattern.size() - 1;
    if (pattern[0] == u'*' && tail > 0 &&
        std::none_of(pattern.begin() + 1, pattern.end(),
                     [](QChar c) { return c == u'*' || c == u'?'; })) {
        if (name.size() < tail)
            return false;
        const qsizetype offset = name.size() - tail;
        for (qsizetype i = 0; i < tail; ++i)
            if (pattern[1 + i].toCaseFolded() != name[offset + i].toCaseFolded())
                return false;
        return true;
    }
    return matchFrom(name, 0, pattern, 0);
}

TFileListBox::TFileListBox() : directory_(currentDirectory()), mask_(QStringLiteral("*.*")) {}

void TFileListBox::setMask(const QString& mask) {
    if (mask == mask_)
        return;
    mask_ = mask;
    if (inUse_)
        read();
}

namespace {

// Enters the configured folder and gives it as the system names it. This touches the folder (a
// share, often), so it runs on a worker thread. A text that is not a full path is taken from base.
QString enterConfiguredFolder(const QString& text, const QString& base) {
    const qsizetype slash = text.lastIndexOf(u'/');
    const QString folderPart = slash < 0 ? QString() : text.left(slash + 1);
    const QString finalPart = slash < 0 ? text : text.mid(slash + 1);

    if (!text.startsWith(u'/'))
        enter(base);
    if (!folderPart.isEmpty())
        enter(folderPart);
    if (!finalPart.isEmpty() && !finalPart.contains(u'*') && !finalPart.contains(u'?') &&
        !isExistingFile(finalPart))
        enter(finalPart);
    return currentDirectory();
}

// The folder entered, as the system names it; nothing when the share did not answer in time.
std::optional<QString> enterOnShare(const QString& text, const QString& base) {
    return share::call<QString>(text, [text, base] { return enterConfiguredFolder(text, base); });
}

} // namespace

void TFileListBox::ApplyFilePath(const QString& text) {
    if (text.isEmpty())
        return;
    // A folder that cannot be entered leaves the list as it was. One that does not answer in time
    // is entered by a later read; until then the list is the configured folder's all the same, and
    // empty: the program's own folder is never shown in its place.
    const QString base = currentDirectory();
    const std::optional<QString> entered = enterOnShare(text, base);
    if (entered) {
        directory_ = *entered;
        pendingFolder_.clear();
    } else {
        pendingFolder_ = text;
        pendingBase_ = base;
        items_.clear();
    }
    onShare_ = true;
    if (inUse_)
        read();
}

bool TFileListBox::enterPendingFolder() {
    if (pendingFolder_.isEmpty())
        return true;
    const std::optional<QString> entered = enterOnShare(pendingFolder_, pendingBase_);
    if (!entered)
        return false;
    directory_ = *entered;
    pendingFolder_.clear();
    return true;
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

namespace {

// The names that match the mask, pattern after pattern, in the folder's own order. This is the
// part that touches the folder, so it runs on a worker thread.
QStringList listFolder(const QString& directory, const QString& mask) {
    enter(directory);

    DIR* dir = ::opendir(".");
    if (!dir)
        cannotEnter(directory, errno);
    struct Entry {
        QString name;
        unsigned char type;
    };
    std::vector<Entry> entries;
    while (const dirent* e = ::readdir(dir)) {
        if (e->d_name[0] == '.')
            continue; // hidden, and the "." and ".." entries
        entries.push_back({decodeFileName(e->d_name), e->d_type});
    }
    ::closedir(dir);

    // Only names that match are looked at further; the directory entry usually tells a regular
    // file already, and only links and file systems that do not say are asked with stat.
    const auto isRegularFile = [](const Entry& e) {
        if (e.type == DT_REG)
            return true;
        if (e.type != DT_LNK && e.type != DT_UNKNOWN)
            return false;
        struct stat st {};
        return ::stat(encodeFileName(e.name).constData(), &st) == 0 && S_ISREG(st.st_mode);
    };
    std::vector<signed char> regular(entries.size(), -1);
    QStringList names;
    for (const QString& pattern : mask.split(u';')) {
        for (size_t i = 0; i < entries.size(); ++i) {
            if (!matchesWildcard(entries[i].name, pattern))
                continue;
            if (regular[i] < 0)
                regular[i] = isRegularFile(entries[i]) ? 1 : 0;
            if (regular[i])
                names << entries[i].name;
        }
    }
    return names;
}

} // namespace

void TFileListBox::read() {
    // A folder that does not answer in time keeps the names it had; the next refresh tries again.
    if (!enterPendingFolder())
        return;
    const QString directory = directory_, mask = mask_;
    const std::optional<QStringList> listed = share::call<QStringList>(
        directory, [directory, mask] { return listFolder(directory, mask); }, onShare_);
    if (!listed)
        return;
    const QStringList& names = *listed;

    // The collator's sort keys are made once per name; comparing them is a byte comparison. The
    // key of the case-folded name, since the plain C locale's keys would keep letter case.
    QCollator collator{QLocale()};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);
    std::vector<std::pair<QCollatorSortKey, qsizetype>> keys;
    keys.reserve(size_t(names.size()));
    for (qsizetype i = 0; i < names.size(); ++i)
        keys.emplace_back(collator.sortKey(names[i].toCaseFolded()), i);
    std::stable_sort(keys.begin(), keys.end(),
                     [](const auto& a, const auto& b) { return a.first.compare(b.first) < 0; });
    QStringList sorted;
    sorted.reserve(names.size());
    for (const auto& k : keys)
        sorted << names[k.second];
    items_ = std::move(sorted);
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
        // A name that is not UTF-8 on disk also answers to the way it reads, so that a playlist
        // written on another system finds it.
        if (items_[i].compare(name, Qt::CaseInsensitive) == 0 ||
            displayFileName(items_[i]).compare(name, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}
