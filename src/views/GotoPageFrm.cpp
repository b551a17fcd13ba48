#include "views/GotoPageFrm.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIntValidator>

#include "attach/KMButton.h"
#include "views/KMLineEdit.h"

namespace {

/// Refuses, as the user types, every number that is no page: beyond the last page (Qt's own
/// validator lets such a number through while it has no more digits than the last page) or
/// starting with 0.
class PageNumberValidator : public QIntValidator
{
public:
    PageNumberValidator(int bottom, int top, QObject *parent)
        : QIntValidator(bottom, top, parent)
    { }

    State validate(QString &input, int &pos) const override
    {
        const State state = QIntValidator::validate(input, pos);
        if (state != Intermediate || input.isEmpty())
            return state;
        bool ok = false;
        const qlonglong value = input.toLongLong(&ok, 10);
        return ok && (value > top() || input.startsWith(QLatin1Char('0'))) ? Invalid : state;
    }
};

} // namespace

GotoPageFrm::GotoPageFrm(QWidget *parent)
    : VTFrame(parent)
    , m_pageEdit(new KMLineEdit(QStringLiteral("PageNavigateWdt_gotoPageEdit"), this))
    , m_validator(new PageNumberValidator(1, 2, this))
    , m_layout(new QHBoxLayout(this))
    , m_gotoBtn(new KMButton(QStringLiteral("PageNavigateWdt_gotoPageBtn"), this))
{
    m_pageEdit->setMaximumWidth(36);
    m_pageEdit->setValidator(m_validator);
    m_gotoBtn->setMaximumWidth(40);
    m_gotoBtn->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    m_gotoBtn->setText(tr("Go to"));
    m_layout->setSpacing(0);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->addWidget(m_pageEdit);
    m_layout->addWidget(m_gotoBtn);

    connect(m_gotoBtn, &KMButton::clicked, this, &GotoPageFrm::onGotoPage);
}

void GotoPageFrm::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::LanguageChange)
        m_gotoBtn->setText(tr("Go to"));
    VTFrame::changeEvent(event);
}

void GotoPageFrm::setLastPage(int lastPage)
{
    m_validator->setRange(1, lastPage);
}

void GotoPageFrm::onGotoPage()
{
    // The validator keeps typing in range, but not text set or left over from a larger range:
    // what is in the field is checked again against the pages there are now.
    QString text = m_pageEdit->text();
    int pos = 0;
    if (text.isEmpty() || m_validator->validate(text, pos) != QValidator::Acceptable)
        return;
    bool ok = false;
    const int page = text.toInt(&ok, 10);
    if (ok && page > 0)
        emit gotoPage(page);
}
