#pragma once

#include <QString>

// Who the program runs as, and where that account comes from.
namespace AccountNames {

// The account name of the effective user; empty when the user has no account entry.
QString effectiveUserName();

// The system's host name; empty when it cannot be read.
QString hostName();

// The domain an account name belongs to: the part after "@" (user@domain) or before "\"
// (DOMAIN\user) for an account of a directory service, the host itself for a local account.
QString domainOfAccount(const QString& account, const QString& localHost);

} // namespace AccountNames
