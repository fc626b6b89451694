#include "brevutil/shellwords.h"

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n';
}

} // namespace

std::optional<QStringList> splitShellWords(const QString& text) {
    QStringList words;
    QString word;
    bool inWord = false;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = text[i];
        if (c == u'\\' && i + 1 < n && text[i + 1] == u'\n') {
            // A continued line joins its neighbours without starting or ending an argument.
            ++i;
            continue;
        }
        if (isBlank(c)) {
            if (inWord)
                words.append(word);
            word.clear();
            inWord = false;
            continue;
        }
        inWord = true;
        if (c == u'\'') {
            const qsizetype close = text.indexOf(u'\'', i + 1);
            if (close < 0)
                return std::nullopt;
            word += QStringView(text).mid(i + 1, close - i - 1);
            i = close;
        } else if (c == u'"') {
            for (++i;; ++i) {
                if (i >= n)
                    return std::nullopt;
                const QChar q = text[i];
                if (q == u'"')
                    break;
                if (q == u'\\' && i + 1 < n) {
                    const QChar e = text[i + 1];
                    if (e == u'$' || e == u'`' || e == u'"' || e == u'\\') {
                        word += e;
                        ++i;
                        continue;
                    }
                    if (e == u'\n') {
                        ++i;
                        continue;
                    }
                }
                word += q;
            }
        } else if (c == u'\\') {
            if (i + 1 >= n)
                return std::nullopt;
            word += text[++i];
        } else {
            word += c;
        }
    }
    if (inWord)
        words.append(word);
    return words;
}

QString shellQuote(const QString& text) {
    QString out = QStringLiteral("'");
    for (const QChar c : text) {
        if (c == u'\'')
            out += QStringLiteral("'\\''");
        else
            out += c;
    }
    return out + u'\'';
}
