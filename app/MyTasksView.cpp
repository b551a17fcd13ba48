#include "MyTasksView.h"

#include <QVBoxLayout>

#include "ProjectManager.h"
#include "samples/SampleProject.h"
#include "views/DynScrollArea.h"

MyTasksView::MyTasksView(QWidget *parent)
    : QWidget(parent)
{
    setObjectName(QStringLiteral("MyTasksView"));
    m_feed = new DynScrollArea(false, this);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_feed);
}

void MyTasksView::open(const QString &prjId, const SampleMember &member)
{
    ProjectManager::setCurrentUser(member.userId(), member.name);
    m_feed->setProjUserId(prjId, member.userId());
}
