#pragma once

#include <QDateTime>
#include <QList>

class DynamicPage;
class SingleDynamicWdt;

/// Helpers for the item page and scroll area tests.
namespace TestFeed {

/// from down to to, both included.
QList<int> countdown(int from, int to);
/// The item widgets in the page's item layout, top first.
QList<SingleDynamicWdt *> shownItems(const DynamicPage &page);
/// The times of the shown items, top first.
QList<QDateTime> shownTimes(const DynamicPage &page);

} // namespace TestFeed
