#include "items/WeatherForecastWdt.h"

#include <QDate>
#include <QHBoxLayout>

#include "DynKeys.h"
#include "items/ItemLabel_p.h"

namespace {

QString textOf(const QVariantHash &content, const QString &key)
{
    return content.value(key).toString();
}

/// A text of the line: it wraps rather than widen the feed when the line is short of room.
KMLabel *newLabel(const QString &objectName, QWidget *parent)
{
    auto *label = new ItemLabel(objectName, parent);
    label->setWordWrap(true);
    return label;
}

} // namespace

WeatherForecastWdt::WeatherForecastWdt(const QVariantHash &content, QWidget *parent)
    : AbsContentWdt(content, parent)
    , m_layout(new QHBoxLayout(this))
{
    m_layout->setContentsMargins(30, 30, 20, 30);
    m_layout->setSpacing(20);
}

void WeatherForecastWdt::initContent()
{
    const QString prjName = textOf(m_content, DynKey::prjName);
    const QString weather = textOf(m_content, DynKey::weatherInfo);
    const QDate date
        = QDate::fromString(textOf(m_content, DynKey::date), QStringLiteral("yyyy-MM-dd"));
    const QString title = textOf(m_content, DynKey::reminderTitle);
    setObjectName(typeName(m_content.value(DynKey::weatherType).toInt()));

    // Built once; a second call only refreshes the texts.
    if (!m_weatherLbl) {
        m_weatherLbl = newLabel(QStringLiteral("WeatherForecastWdt_Weather"), this);
        m_projTimeLbl = newLabel(QStringLiteral("WeatherForecastWdt_ProjTime"), this);
        m_layout->addWidget(m_weatherLbl);
        m_layout->addWidget(m_projTimeLbl);
        m_layout->addStretch(0);
    }
    m_weatherLbl->setText(weather);
    // An invalid date gives an empty month-day text.
    const QString monthDay = date.toString(QStringLiteral("MM-dd"));
    m_projTimeLbl->setText(QStringLiteral("%1.%2").arg(prjName, monthDay));

    if (title.isEmpty()) {
        delete m_markLbl;
        m_markLbl = nullptr;
        return;
    }
    if (!m_markLbl) {
        m_markLbl = new ItemLabel(QStringLiteral("WeatherForecastWdt_Mark"), this);
        m_markLbl->setAlignment(Qt::AlignCenter);
        m_layout->addWidget(m_markLbl);
    }
    m_markLbl->setText(title);
    // The tag's room around its text comes with the widget, whatever the style sheet's font.
    m_markLbl->setMinimumSize(0, 0);
    m_markLbl->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    m_markLbl->adjustSize();
    m_markLbl->setFixedSize(m_markLbl->width() + 20, m_markLbl->height() + 10);
}

QString WeatherForecastWdt::typeName(int weatherType)
{
    return weatherType == WeatherType::ThunderShower ? QStringLiteral("ThunderShower")
                                                     : QStringLiteral("Cloudy");
}
