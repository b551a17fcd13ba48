#include "items/ContentWdtFactory.h"

#include "attach/AttachWdt.h"
#include "feed/SDynData.h"
#include "items/EditProjectWdt.h"
#include "items/PlainTextWdt.h"
#include "items/TaskInfoWdt.h"
#include "items/TaskReportWdt.h"
#include "items/WeatherForecastWdt.h"

AbsContentWdt *createContentWdt(const SDynData *record)
{
    if (!isValid(record) || record->content.isEmpty())
        return nullptr;

    AbsContentWdt *widget = nullptr;
    switch (record->kind) {
    case SDynData::KindText:
        widget = new PlainTextWdt(record->content, nullptr);
        break;
    case SDynData::KindProjectInfo:
        widget = new EditProjectWdt(record->content, nullptr);
        break;
    case SDynData::KindWeather:
        widget = new WeatherForecastWdt(record->content, nullptr);
        break;
    case SDynData::KindAttachment:
        widget = new AttachWdt(record->content, nullptr);
        break;
    case SDynData::KindTask:
        widget = new TaskInfoWdt(record->content, nullptr);
        break;
    case SDynData::KindTaskReport:
        widget = new TaskReportWdt(record->content, nullptr);
        break;
    default:
        return nullptr;
    }
    widget->setExtraData(record->extra);
    widget->initContent();
    return widget;
}
