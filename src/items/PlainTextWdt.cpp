#include "items/PlainTextWdt.h"

#include "DynKeys.h"
#include "items/ItemLabel_p.h"

PlainTextWdt::PlainTextWdt(const QVariantHash &content, QWidget *parent)
    : PlainTextWdt(content, Qt::PlainText, parent)
{ }

PlainTextWdt::PlainTextWdt(const QVariantHash &content, Qt::TextFormat format, QWidget *parent)
    : AbsContentWdt(content, parent)
    , m_textFormat(format)
{
    createContentLayout();
}

void PlainTextWdt::initContent()
{
    const QString text = m_content.value(DynKey::text).toString();
    if (text.isEmpty()) {
        if (m_textLbl) {
            removeContentWidget(m_textLbl);
            delete m_textLbl;
            m_textLbl = nullptr;
        }
        return;
    }
    if (!m_textLbl) {
        m_textLbl = new ItemLabel(QStringLiteral("PlainTextWdt_Label"), this);
        // Set before the text, so that the text is parsed once, in its own format.
        m_textLbl->setTextFormat(m_textFormat);
        m_textLbl->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);
        m_textLbl->setWordWrap(true);
        addContentWidget(m_textLbl);
    }
    m_textLbl->setText(text);
}
