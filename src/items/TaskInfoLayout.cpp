#include "items/TaskInfoLayout.h"

#include <QPainter>
#include <QPixmap>
#include <QSpacerItem>

#include "attach/PixmapRatio_p.h"
#include "items/ItemLabel_p.h"

namespace {

constexpr int kIconEdge = 16;
constexpr int kIconGap = 10;

} // namespace

/// The row's text with its icon at the left of the first line.
class TaskRowLabel : public ItemLabel
{
public:
    TaskRowLabel(const QString &objectName, QWidget *parent)
        : ItemLabel(objectName, parent)
    {
        setContentsMargins(kIconEdge + kIconGap, 0, 0, 0);
        setMinimumHeight(kIconEdge);
        setAlignment(Qt::AlignLeft | Qt::AlignTop); // the icon goes with the first line
    }

    void setIcon(const QString &path)
    {
        m_iconPath = path;
        m_icon = QPixmap();
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ItemLabel::paintEvent(event);
        if (m_iconPath.isEmpty())
            return;
        QPainter painter(this);
        // Made for the ratio painted with, so that it is sharp on any screen.
        const qreal ratio = paintRatio(painter);
        if (m_icon.isNull() || !qFuzzyCompare(m_icon.devicePixelRatio(), ratio))
            m_icon = scaledForRatio(resourceForRatio(m_iconPath, ratio),
                QSize(kIconEdge, kIconEdge), ratio, QStringLiteral("TaskRowIcon|") + m_iconPath);
        if (m_icon.isNull())
            return;
        // Centred on the first line, as the icon label beside a one-line text would be.
        const int line = qMax(fontMetrics().height(), kIconEdge);
        painter.drawPixmap(QRect(0, (line - kIconEdge) / 2, kIconEdge, kIconEdge), m_icon);
    }

private:
    QString m_iconPath;
    QPixmap m_icon; // shared with every row that shows it at the same ratio
};

TaskInfoLayout::TaskInfoLayout(const QString &objectName, QWidget *parent)
{
    setContentsMargins(0, 0, 0, 0);
    setSpacing(kIconGap);
    m_textLbl = new TaskRowLabel(objectName, parent);
    m_textLbl->setWordWrap(true);
    addWidget(m_textLbl);
    addItem(new QSpacerItem(100, 20, QSizePolicy::Fixed, QSizePolicy::Minimum));
}

TaskInfoLayout::~TaskInfoLayout()
{
    // Out of the layout first: once the widget's layout has let go of this row, nothing else
    // would take the label's entry away before the label is gone.
    if (m_textLbl) {
        removeWidget(m_textLbl);
        delete m_textLbl.data();
    }
}

void TaskInfoLayout::setText(const QString &text)
{
    m_textLbl->setText(text);
}

void TaskInfoLayout::setIcon(const QString &path)
{
    m_textLbl->setIcon(path);
}

KMLabel *TaskInfoLayout::textLabel() const
{
    return m_textLbl;
}
