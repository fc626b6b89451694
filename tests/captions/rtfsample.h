#pragma once

#include <QByteArray>
#include <QFile>
#include <filesystem>
#include <gtest/gtest.h>

// One of the RTF files in tests/captions/rtf-samples; a missing one fails the test that asks.
inline QByteArray rtfSample(const char* name) {
    const auto path = std::filesystem::path(TAVOREL_RTF_SAMPLES) / name;
    QFile file(QString::fromStdString(path.string()));
    if (!file.open(QIODevice::ReadOnly))
        ADD_FAILURE() << "missing sample " << path;
    return file.readAll();
}
