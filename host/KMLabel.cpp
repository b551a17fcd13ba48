#include "KMLabel.h"

#include <QByteArray>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QPointer>
#include <QtDebug>

#include "Logging_p.h"

namespace {

// SLOT() and SIGNAL() put a method-kind digit in front of the signature; callers of this
// label also pass bare signatures, which QObject::connect would reject.
QByteArray slotSignature(const char *slot)
{
    const QByteArray text(slot);
    if (!text.isEmpty() && (text.at(0) == '1' || text.at(0) == '2'))
        return text;
    return '1' + text;
}

} // namespace

KMLabel::KMLabel(QWidget *parent)
    : QLabel(parent)
{ }

KMLabel::KMLabel(const QString &objectName, QWidget *parent)
    : QLabel(parent)
{
    setObjectName(objectName);
}

void KMLabel::setData(const QVariant &data)
{
    m_data = data;
}

QVariant KMLabel::data() const
{
    return m_data;
}

void KMLabel::connectClicked(const QObject *receiver, const char *slot, Qt::ConnectionType type)
{
    if (connectSlot(SIGNAL(clicked()), receiver, slot, type))
        enableClick();
}

void KMLabel::connectClicked(
    const QObject *receiver, std::function<void()> callable, Qt::ConnectionType type)
{
    if (!receiver || !callable) {
        qCWarning(lcUi(), "KMLabel::connectClicked: no receiver or nothing to call");
        return;
    }
    connect(this, &KMLabel::clicked, receiver, std::move(callable), type);
    enableClick();
}

void KMLabel::connectClickedData(const QObject *receiver, const char *slot, Qt::ConnectionType type)
{
    if (connectSlot(SIGNAL(clickedData(QVariant)), receiver, slot, type))
        enableClick();
}

void KMLabel::disableClick()
{
    m_clickEnabled = false;
    disconnect(this, &KMLabel::clicked, nullptr, nullptr);
    disconnect(this, &KMLabel::clickedData, nullptr, nullptr);
    unsetCursor();
}

void KMLabel::mousePressEvent(QMouseEvent *event)
{
    // The base class keeps text selection working; it leaves the event ignored otherwise.
    QLabel::mousePressEvent(event);
    const bool listened = isSignalConnected(QMetaMethod::fromSignal(&KMLabel::clicked))
        || isSignalConnected(QMetaMethod::fromSignal(&KMLabel::clickedData));
    // Unclicked labels let the press through to their parent, as a plain label does.
    if (event->button() != Qt::LeftButton || !m_clickEnabled || !listened)
        return;
    event->accept();
    const QVariant data = m_data;
    // A receiver may delete the label from inside the first signal.
    const QPointer<KMLabel> self(this);
    emit clicked();
    if (self)
        emit clickedData(data);
}

bool KMLabel::connectSlot(
    const char *signal, const QObject *receiver, const char *slot, Qt::ConnectionType type)
{
    if (!receiver || !slot || !*slot) {
        qCWarning(lcUi(), "KMLabel: no receiver or slot to connect");
        return false;
    }
    const QByteArray method = slotSignature(slot);
    const QByteArray signature = QMetaObject::normalizedSignature(method.constData() + 1);
    if (receiver->metaObject()->indexOfMethod(signature.constData()) < 0
        || !QMetaObject::checkConnectArgs(signal + 1, signature.constData())) {
        qCWarning(lcUi(), ) << "KMLabel: cannot connect" << signal + 1 << "to"
                            << receiver->metaObject()->className() << signature;
        return false;
    }
    // Unique: labels are refilled and connected again, and one press must still call a slot
    // once. connect() then reports the existing connection as a failure, which it is not.
    connect(this, signal, receiver, method.constData(),
        Qt::ConnectionType(type | Qt::UniqueConnection));
    return true;
}

void KMLabel::enableClick()
{
    m_clickEnabled = true;
    setCursor(Qt::PointingHandCursor);
}
