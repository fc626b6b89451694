#include "brevutil/brevutil.h"

#include "brevutil/accountnames.h"
#include <arpa/inet.h>
#include <ifaddrs.h>
#include <linux/if_packet.h>
#include <net/if.h>
#include <netdb.h>
#include <unistd.h>

namespace {

// The longest computer name taken; the rest is cut off.
constexpr qsizetype kComputerNameLength = 16;

// The two connection texts the desktop database engine was driven with: the file to compact with
// its password, and the compacted copy (the file's name with "x" appended, engine format 5).
// The engine does not exist on this platform; they are kept so that one reached in its place is
// handed exactly what the original asked of it.
[[maybe_unused]] constexpr char16_t kCompactSourcePrefix[] =
    u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
[[maybe_unused]] constexpr char16_t kCompactSourcePasswordKey[] = u";Jet OLEDB:Database Password=";
[[maybe_unused]] constexpr char16_t kCompactTargetPrefix[] =
    u"Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
[[maybe_unused]] constexpr char16_t kCompactTargetSuffix[] = u"x;Jet OLEDB:Engine type=5";

} // namespace

bool TBrevUtil::SetComputerName(const QString& AComputerName) const {
    // The name ends at a NUL as a C text would, and a cut never splits a surrogate pair.
    QString name = AComputerName.left(AComputerName.indexOf(QChar(u'\0')));
    name.truncate(kComputerNameLength);
    if (!name.isEmpty() && name.back().isHighSurrogate())
        name.chop(1);
    // The kernel would take an empty name; a machine without a name is never what was meant.
    if (name.isEmpty())
        return false;
    const QByteArray bytes = name.toLocal8Bit();
    return sethostname(bytes.constData(), static_cast<size_t>(bytes.size())) == 0;
}

QString TBrevUtil::GetDomainName() const {
    const QString account = AccountNames::effectiveUserName();
    if (account.isEmpty())
        return QString();
    return AccountNames::domainOfAccount(account, AccountNames::hostName());
}

QString TBrevUtil::Get_MacAddress() const {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0)
        return QString();
    QString result;
    // The link-level entries come in the system's interface order.
    for (const ifaddrs* i = list; i && result.isEmpty(); i = i->ifa_next) {
        if (!i->ifa_addr || i->ifa_addr->sa_family != AF_PACKET || (i->ifa_flags & IFF_LOOPBACK))
            continue;
        const auto* link = reinterpret_cast<const sockaddr_ll*>(i->ifa_addr);
        if (link->sll_halen != 6)
            continue;
        bool allZero = true;
        QStringList pairs;
        for (int b = 0; b < 6; ++b) {
            allZero = allZero && link->sll_addr[b] == 0;
            pairs << QStringLiteral("%1").arg(link->sll_addr[b], 2, 16, QChar(u'0')).toUpper();
        }
        if (!allZero)
            result = pairs.join(u'-');
    }
    freeifaddrs(list);
    return result;
}

QString TBrevUtil::CurrentUserName() const {
    return AccountNames::effectiveUserName();
}

void TBrevUtil::GetHostInfo(QString& Name, QString& Address) const {
    Name = AccountNames::hostName();
    Address.clear();
    if (Name.isEmpty())
        return;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(Name.toLocal8Bit().constData(), nullptr, &hints, &found) != 0 || !found)
        return;
    const auto* ip = reinterpret_cast<const sockaddr_in*>(found->ai_addr);
    char text[INET_ADDRSTRLEN] = {};
    if (inet_ntop(AF_INET, &ip->sin_addr, text, sizeof text))
        Address = QString::fromLatin1(text);
    freeaddrinfo(found);
}

QString TBrevUtil::CurrentHostName() const {
    // The same name GetHostInfo gives, without waiting on a name server for an address that is
    // not wanted.
    return AccountNames::hostName();
}

bool TBrevUtil::CompactAndRepair(const QString& DB, const QString& pwd) const {
    // Creating the engine's automation object is the first step, and it fails here: the result
    // is false and the file is never touched.
    Q_UNUSED(DB);
    Q_UNUSED(pwd);
    return false;
}
