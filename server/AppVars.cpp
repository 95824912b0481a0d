#include "server/AppVars.h"

#include "platform/SystemLog.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstdlib>

#include <sys/stat.h>
#include <unistd.h>

namespace Nuvra {

namespace AppVars {

QString companyName() { return QStringLiteral("NUVRA"); }

namespace {
QString productName() { return QStringLiteral("Morvelin Video"); }
} // namespace

QString applicationName() { return productName(); }
QString applicationNameExt() { return productName(); }
QString applicationVersion() { return QStringLiteral("1.6"); }

QString applicationBuildRev()
{
    return QStringLiteral("1.6.123.21365") + QStringLiteral(" plugin") + QStringLiteral(" (64bit)");
}

QString organizationDomain() { return QStringLiteral("nuvra.example.com"); }
QString siteAddress() { return QStringLiteral("https://www.nuvra.example.com"); }

} // namespace AppVars

namespace Locations {

QString commonDocuments()
{
    const QByteArray xdg = qgetenv("XDG_DATA_HOME");
    // Relative values are invalid by the XDG rules and are ignored.
    if (!xdg.isEmpty() && xdg.startsWith('/'))
        return QString::fromLocal8Bit(xdg);
    return QDir::homePath() + QStringLiteral("/.local/share");
}

QString sharedFolder() { return commonDocuments() + QStringLiteral("/NUVRA"); }

bool prepareSharedFolder()
{
    const QByteArray base = QFile::encodeName(commonDocuments());
    struct stat st;
    if (::stat(base.constData(), &st) != 0) {
        // A missing base is made the way the XDG rules ask: private to the user.
        const mode_t old = ::umask(077);
        const bool made = QDir().mkpath(QString::fromLocal8Bit(base));
        ::umask(old);
        if (!made)
            return false;
    }
    const QByteArray folder = QFile::encodeName(sharedFolder());
    if (::mkdir(folder.constData(), 0700) == 0)
        return true;
    if (errno != EEXIST)
        return false;
    // Never follow a planted link, never adopt a folder of another user.
    if (::lstat(folder.constData(), &st) != 0)
        return false;
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid()) {
        errno = EACCES;
        return false;
    }
    if ((st.st_mode & 07777) != 0700 && ::chmod(folder.constData(), 0700) != 0)
        return false;
    return true;
}

} // namespace Locations

} // namespace Nuvra

void MyNSLog0(const char* text)
{
    Nuvra::Platform::systemLog(text ? text : "");
}
