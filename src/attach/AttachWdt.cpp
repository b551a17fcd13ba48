#include "attach/AttachWdt.h"

#include <QEvent>
#include <QVBoxLayout>

#include "DynKeys.h"
#include "attach/KMButton.h"
#include "feed/VantorInformation.h"
#include "items/ItemLabel_p.h"
#include "views/ProjectDynPage.h"

namespace {

const int kCornerOffset = 20;

} // namespace

AttachWdt::AttachWdt(const QVariantHash &content, QWidget *parent)
    : AbsContentWdt(content, parent)
{
    createContentLayout();
}

void AttachWdt::initContent()
{
    const QString name = m_content.value(DynKey::attachName).toString();
    if (!name.isEmpty() && !m_nameLbl) {
        m_nameLbl = new ItemLabel(QStringLiteral("AttachWdt_Name"), this);
        m_nameLbl->setWordWrap(true);
        addContentWidget(m_nameLbl);
    }
    if (m_nameLbl)
        m_nameLbl->setText(name);

    if (!m_infoLbl) {
        m_infoLbl = new ItemLabel(QStringLiteral("AttachWdt_Info"), this);
        addContentWidget(m_infoLbl);
    }
    // A size that is missing or no number reads as 0.
    m_infoLbl->setText(sizeText(m_content.value(DynKey::attachSize).toInt()));

    if (!m_extra.value(DynKey::upload).toBool() || m_viewBtn)
        return;
    m_viewBtn = new KMButton(this);
    m_viewBtn->setText(tr("View"));
    connect(m_viewBtn, &KMButton::clicked, this, &AttachWdt::onViewFile);
}

QString AttachWdt::sizeText(int bytes)
{
    const int mib = bytes / 1048576;
    if (mib <= 0)
        return QStringLiteral("%1KB").arg(bytes > 0 ? bytes / 1024 : 0);
    if (mib / 1024 == 0)
        return QStringLiteral("%1MB").arg(bytes / 1048576.0, 0, 'f', 1);
    return QStringLiteral("%1GB").arg(bytes / 1073741824.0, 0, 'f', 1);
}

void AttachWdt::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange && m_viewBtn)
        m_viewBtn->setText(tr("View"));
    AbsContentWdt::changeEvent(event);
}

void AttachWdt::resizeEvent(QResizeEvent *event)
{
    AbsContentWdt::resizeEvent(event);
    if (m_viewBtn)
        moveToBottomRight(m_viewBtn, kCornerOffset, kCornerOffset);
}

void AttachWdt::onViewFile()
{
    const QString attachId = m_content.value(DynKey::attachId).toString();
    if (VantorInformation *host = ProjectDynPage::infoInterface())
        host->viewFile(attachId);
}
