#include "common/QueuedControllerSignals.h"

#include "feed/DynDataController.h"

QueuedControllerSignals::QueuedControllerSignals(DynDataController *controller)
{
    using C = DynDataController;
    using Q = QueuedControllerSignals;
    connect(controller, &C::newMessageReceived, this, &Q::newMessageReceived, Qt::QueuedConnection);
    connect(controller, &C::newMsgNum, this, &Q::newMsgNum, Qt::QueuedConnection);
    connect(controller, &C::networkError, this, &Q::networkError, Qt::QueuedConnection);
    connect(controller, &C::synTaskNotify, this, &Q::synTaskNotify, Qt::QueuedConnection);
    connect(controller, &C::groupMsgNum, this, &Q::groupMsgNum, Qt::QueuedConnection);
}
