#include "core/configdoc.h"

#include "core/configcatalog.h"
#include <QStringList>

namespace {

QString typeName(ConfigType t) {
    switch (t) {
    case ConfigType::Text:
        return QStringLiteral("text");
    case ConfigType::Integer:
        return QStringLiteral("integer");
    case ConfigType::Switch:
        return QStringLiteral("switch (0 off, other numbers on)");
    case ConfigType::Time:
        return QStringLiteral("time of day");
    case ConfigType::Date:
        return QStringLiteral("date");
    }
    return QString();
}

QString momentName(ReadMoment m) {
    return m == ReadMoment::Start ? QStringLiteral("at start") : QStringLiteral("at each use");
}

QString defaultOf(const ConfigEntry& e) {
    if (e.key == ConfigKey::ImagesFolder)
        return QStringLiteral("the program's folder, ending in \"/\"");
    const QString d = QString::fromUtf8(e.defaultText);
    return d.isEmpty() ? QStringLiteral("empty") : d;
}

// Sections in the order of the table, named as an operator writes them (any letter case works).
QStringList sections() {
    QStringList out;
    for (const ConfigEntry& e : configCatalog()) {
        const QString s = QString::fromUtf8(e.section).toUpper();
        if (!out.contains(s))
            out << s;
    }
    return out;
}

QString escapeRoff(QString text) {
    text.replace(u'\\', QStringLiteral("\\e"));
    text.replace(u'-', QStringLiteral("\\-"));
    if (text.startsWith(u'.') || text.startsWith(u'\''))
        text.prepend(QStringLiteral("\\&"));
    return text;
}

} // namespace

QString configReferenceMarkdown() {
    QString out;
    for (const QString& section : sections()) {
        out += QStringLiteral("Section `[%1]`:\n\n").arg(section);
        out += QStringLiteral("| Key | Type | Default | Read | Meaning |\n|---|---|---|---|---|\n");
        for (const ConfigEntry& e : configCatalog()) {
            if (QString::fromUtf8(e.section).toUpper() != section)
                continue;
            const QString name = qstrcmp(e.name, "*") == 0 ? QStringLiteral("any name")
                                                           : QStringLiteral("`%1`").arg(e.name);
            QString effect = QString::fromUtf8(e.effect);
            effect.replace(u'|', QStringLiteral("\\|"));
            out += QStringLiteral("| %1 | %2 | %3 | %4 | %5 |\n")
                       .arg(name, typeName(e.type), defaultOf(e), momentName(e.moment), effect);
        }
        out += u'\n';
    }
    return out;
}

QString sampleConfigIni() {
    QString out = QStringLiteral(
        "; Tavorel display board settings. Every key is listed with its default, commented out:\r\n"
        "; remove the \";\" in front of a key to change it. Switches are numbers: 0 is off, any\r\n"
        "; other number on. Keys read \"at start\" need a restart (drop REBOOT.APP beside the\r\n"
        "; program); the others take effect at their next use.\r\n");
    for (const QString& section : sections()) {
        out += QStringLiteral("\r\n[%1]\r\n").arg(section);
        for (const ConfigEntry& e : configCatalog()) {
            if (QString::fromUtf8(e.section).toUpper() != section)
                continue;
            out += QStringLiteral("; %1 (%2, read %3)\r\n")
                       .arg(QString::fromUtf8(e.effect), typeName(e.type), momentName(e.moment));
            if (qstrcmp(e.name, "*") == 0) {
                out += QStringLiteral(";Christmas=12/25\r\n");
                continue;
            }
            const QString value = e.key == ConfigKey::ImagesFolder
                                      ? QStringLiteral("/opt/tavorel/")
                                      : QString::fromUtf8(e.defaultText);
            out += QStringLiteral(";%1=%2\r\n").arg(QString::fromUtf8(e.name), value);
        }
    }
    return out;
}

QString manPage(const QString& version) {
    QString out;
    out += QStringLiteral(".TH TAVOREL 1 \"\" \"Tavorel %1\" \"User Commands\"\n").arg(version);
    out += QStringLiteral(".SH NAME\ntavorel \\- unattended full\\-screen display board\n");
    out += QStringLiteral(".SH SYNOPSIS\n.B tavorel\n");
    out += QStringLiteral(
        ".SH DESCRIPTION\n"
        ".B tavorel\n"
        "covers one monitor with a borderless, top\\-most window without a cursor and shows the "
        "files of one folder one after another: pictures (BMP, JPEG, PNG, GIF), videos (AVI, MPG, "
        "MPEG, MP4) and web shortcuts (.url). It reads no arguments. Its start directory is the "
        "folder that holds the program file: config.ini, ERROR.LOG, CLOSE.APP and REBOOT.APP are "
        "looked for there.\n"
        ".SH FILES\n"
        ".TP\n.I config.ini\nThe settings, read\\-only; every key has a default (see "
        "CONFIGURATION).\n"
        ".TP\n.I playlist.ini\nIn the shown folder, for playlist mode: sections [Item1], [Item2] "
        "... "
        "with FileName, duration, StartDateTime, EndDateTime, AddRichText and TextVAlign.\n"
        ".TP\n.I ERROR.LOG\nWhen it exists, two lines are appended after every failure of the "
        "show; "
        "the board then starts a fresh copy of itself and ends. It is never created.\n"
        ".TP\n.I CLOSE.APP\nDropped beside the program: the board deletes it and closes at its "
        "next "
        "folder refresh.\n"
        ".TP\n.I REBOOT.APP\nDropped beside the program: the board deletes it, starts a fresh copy "
        "and closes.\n"
        ".SH SIGNALS\nSIGTERM and SIGINT close the window as a window manager does: the master "
        "volume found at start is put back.\n"
        ".SH ENVIRONMENT\n.TP\n.B TAVOREL_DEBUG\nSet to 1 for one line on standard error per "
        "event (items, messages, restarts, close). Errors are always written there.\n");
    out += QStringLiteral(".SH CONFIGURATION\n");
    for (const QString& section : sections()) {
        out += QStringLiteral(".SS [%1]\n").arg(section);
        for (const ConfigEntry& e : configCatalog()) {
            if (QString::fromUtf8(e.section).toUpper() != section)
                continue;
            const QString name =
                qstrcmp(e.name, "*") == 0 ? QStringLiteral("any name") : QString::fromUtf8(e.name);
            out += QStringLiteral(".TP\n.B %1\n%2; %3, default %4, read %5.\n")
                       .arg(escapeRoff(name), escapeRoff(QString::fromUtf8(e.effect)),
                            escapeRoff(typeName(e.type)), escapeRoff(defaultOf(e)),
                            momentName(e.moment));
        }
    }
    out += QStringLiteral(".SH SEE ALSO\nThe README of the project, for set\\-up and "
                          "troubleshooting.\n");
    return out;
}
