#pragma once

#include "items/AbsContentWdt.h"

class KMLabel;
class QHBoxLayout;

/// Content of a weather reminder: one line with the day's weather, the project name with the
/// forecast's month and day, and, when the record carries a reminder, its title in a tag at the
/// right end. The widget is named after the weather type ("Cloudy" or "ThunderShower"), by which
/// the host's style sheet gives each type its look. GUI thread only.
///
/// The project and date always read "name.MM-dd": without a name ".05-03", without a valid date
/// "Tower B.". Choice where the look was open: the weather and the project and date wrap when
/// the line is short of room, so that a long line never widens the feed beyond its view.
class WeatherForecastWdt : public AbsContentWdt
{
    Q_OBJECT
public:
    WeatherForecastWdt(const QVariantHash &content, QWidget *parent);

    void initContent() override;

    /// The object name of a weather type code; any code but 1 looks cloudy.
    static QString typeName(int weatherType);

private:
    KMLabel *m_weatherLbl = nullptr; // child
    KMLabel *m_projTimeLbl = nullptr; // child
    KMLabel *m_markLbl = nullptr; // child; null without a reminder title
    QHBoxLayout *m_layout = nullptr; // on the widget
};
