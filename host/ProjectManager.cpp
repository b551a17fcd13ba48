#include "ProjectManager.h"

#include <QHash>

#include "IVestigialStorager.h"
#include "PrjTaskStorager.h"

namespace {

// GUI-thread state.
QHash<int, IVestigialStorager *> s_installed;
QString s_userId;
QString s_userName;

} // namespace

IVestigialStorager &ProjectManager::getStorager(StoragerType type)
{
    if (IVestigialStorager *installed = s_installed.value(type))
        return *installed;
    if (type == StoragerType_PrjTask)
        return PrjTaskStorager::instance();
    static IVestigialStorager bare;
    return bare;
}

void ProjectManager::installStorager(StoragerType type, IVestigialStorager *storager)
{
    if (storager)
        s_installed.insert(type, storager);
    else
        s_installed.remove(type);
}

void ProjectManager::setCurrentUser(const QString &userId, const QString &userName)
{
    s_userId = userId;
    s_userName = userName;
}

QString ProjectManager::currentUserId()
{
    return s_userId;
}

QString ProjectManager::currentUserName()
{
    return s_userName;
}
