#include "samples/SampleProject.h"

// Filled in by the sample generator.
namespace SampleProject {

QString projectId()
{
    return QStringLiteral("10086");
}

QString projectName()
{
    return QString();
}

QList<pb_clt_t_user> messages()
{
    return {};
}

QList<pb_prj_t_prj_weather> weather()
{
    return {};
}

} // namespace SampleProject
