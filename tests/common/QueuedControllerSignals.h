#pragma once

#include <QHash>
#include <QObject>
#include <QVariant>

class DynDataController;

/// The controller's signals, received queued on the thread that made this object, as a view
/// receives them. Spy on these rather than on the controller: the controller emits on the push
/// thread, where a QSignalSpy connected directly would be written from two threads.
class QueuedControllerSignals : public QObject
{
    Q_OBJECT
public:
    explicit QueuedControllerSignals(DynDataController *controller);

signals:
    void newMessageReceived(bool bNewMsg);
    void newMsgNum(int);
    void networkError();
    void synTaskNotify(const QHash<QString, QVariant> &attachMap);
    void groupMsgNum(int);
};
