#include "items/VoiceLayout.h"

#include "VTVoice.h"
#include "items/ItemLabel_p.h"

VoiceLayout::VoiceLayout(const QString &url, int playTime, QWidget *parent)
    : m_parent(parent)
{
    m_player = new VTVoice(parent);
    m_player->setUrl(url, playTime);
    setSpacing(10);
    addWidget(m_player);
    addStretch(0);
}

VoiceLayout::~VoiceLayout()
{
    // Out of the layout first, as a row of the task item does; guarded, since the widgets may
    // have gone before their layout.
    for (QWidget *widget :
        { static_cast<QWidget *>(m_textLbl), static_cast<QWidget *>(m_player) }) {
        if (widget) {
            removeWidget(widget);
            delete widget;
        }
    }
}

void VoiceLayout::prependText(const QString &text)
{
    if (!m_textLbl) {
        m_textLbl = new ItemLabel(QStringLiteral("TaskInfoWdt_Desc"), m_parent);
        insertWidget(0, m_textLbl);
    }
    m_textLbl->setText(text + m_textLbl->text());
}

VTVoice *VoiceLayout::player() const
{
    return m_player;
}
