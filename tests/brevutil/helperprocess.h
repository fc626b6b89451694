#pragma once

#include <QStringList>

// Some checks need another process: one that ends while its child lives on, one with a command
// line of the test's choosing, one in namespaces of its own (its own host name, no network). For
// these the test program starts itself with TAVOREL_BREVUTIL_HELPER naming a job: it does that job
// before any test runs, prints its findings one per line and ends.
struct HelperResult {
    bool started = false; // false when the helper, or the unshare it runs under, could not run
    int exitCode = -1;
    QStringList lines;
    QString errors;
};

// extraArgs follow the program on the helper's command line. With namespaces (unshare's options,
// e.g. "--uts") the helper runs in fresh namespaces of those kinds, inside a user namespace of its
// own when the caller may not create them directly.
HelperResult runHelper(const QString& job, const QStringList& extraArgs = {},
                       const QStringList& namespaces = {});
