#pragma once

#include <QString>

namespace Nuvra {

// Identity of the render server: settings store, translations, log header and
// about box all read their names from here.
namespace AppVars {
QString companyName();
QString applicationName();
QString applicationNameExt();
QString applicationVersion();
// The build revision with its flavour suffixes; joined on each call.
QString applicationBuildRev();
// Domain the application object announces as its organisation's.
QString organizationDomain();
// Scheme and host of the maker's web site, without a trailing slash.
QString siteAddress();
} // namespace AppVars

namespace Locations {
// Base of the application's data folder "/NUVRA": the per-user data folder
// (XDG_DATA_HOME, else ~/.local/share), since this system has no folder that
// every user may write safely.
QString commonDocuments();
// commonDocuments() + "/NUVRA".
QString sharedFolder();
// Creates the data folder (and the base, if missing) for this user only.
// A base that exists keeps its mode; an existing data folder is accepted
// only when it is a real directory of ours, and is then narrowed to 0700.
// Returns false, with errno set, when the folder is not usable.
bool prepareSharedFolder();
} // namespace Locations

} // namespace Nuvra

// One entry in the system log; the text is never read as a format.
void MyNSLog0(const char* text);
