#include "common/TestFeed.h"

#include <QLayout>

#include "items/SingleDynamicWdt.h"
#include "views/DynamicPage.h"

namespace TestFeed {

QList<int> countdown(int from, int to)
{
    QList<int> numbers;
    for (int n = from; n >= to; --n)
        numbers << n;
    return numbers;
}

QList<SingleDynamicWdt *> shownItems(const DynamicPage &page)
{
    QList<SingleDynamicWdt *> items;
    QLayout *itemLayout = page.layout()->itemAt(0)->layout();
    for (int i = 0; i < itemLayout->count(); ++i)
        items << qobject_cast<SingleDynamicWdt *>(itemLayout->itemAt(i)->widget());
    return items;
}

QList<QDateTime> shownTimes(const DynamicPage &page)
{
    QList<QDateTime> times;
    for (const SingleDynamicWdt *item : shownItems(page))
        times << item->dateTime();
    return times;
}

} // namespace TestFeed
