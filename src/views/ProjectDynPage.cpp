#include "views/ProjectDynPage.h"

VantorInformation *ProjectDynPage::m_infoInterface = nullptr;

void ProjectDynPage::InstallVantorInformation(VantorInformation *info)
{
    m_infoInterface = info;
}

VantorInformation *ProjectDynPage::infoInterface()
{
    return m_infoInterface;
}
