#include "items/ContentWdtFactory.h"

#include "feed/SDynData.h"
#include "items/EditProjectWdt.h"
#include "items/PlainTextWdt.h"
#include "items/TaskInfoWdt.h"
#include "items/TaskReportWdt.h"

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
    case SDynData::KindTask:
        widget = new TaskInfoWdt(record->content, nullptr);
        break;
    case SDynData::KindTaskReport:
        widget = new TaskReportWdt(record->content, nullptr);
        break;
    case SDynData::KindWeather:
    case SDynData::KindAttachment:
        // Their content widgets are not part of the library yet: the item shows its header.
    default:
        return nullptr;
    }
    widget->setExtraData(record->extra);
    widget->initContent();
    return widget;
}
