#pragma once

#include "dynfeed_host_export.h"

#include <QLabel>
#include <QVariant>

#include <functional>

/// A label that reports a left-button press as a click, optionally carrying a data value.
/// It shows the pointing hand once something is connected through one of the connect functions;
/// while nothing listens to its clicks, presses go on to the parent. GUI thread only.
class DYNFEED_HOST_EXPORT KMLabel : public QLabel
{
    Q_OBJECT
public:
    explicit KMLabel(QWidget *parent);
    KMLabel(const QString &objectName, QWidget *parent);

    void setData(const QVariant &data);
    QVariant data() const;

    /// Runs receiver's slot on each click. The slot may be given with SLOT() or as a plain
    /// signature ("onOpen()"); connecting the same receiver and slot again changes nothing.
    void connectClicked(
        const QObject *receiver, const char *slot, Qt::ConnectionType type = Qt::AutoConnection);
    /// Runs the callable on each click for as long as receiver lives.
    void connectClicked(const QObject *receiver, std::function<void()> callable,
        Qt::ConnectionType type = Qt::AutoConnection);
    /// Runs receiver's slot with the label's data value on each click; the slot takes a
    /// const QVariant &. Connecting the same receiver and slot again changes nothing.
    void connectClickedData(
        const QObject *receiver, const char *slot, Qt::ConnectionType type = Qt::AutoConnection);
    /// Ends the click: every connection to clicked() and clickedData() is dropped and presses
    /// are no longer reported until something is connected again.
    void disableClick();
    bool isClickEnabled() const { return m_clickEnabled; }

signals:
    void clicked();
    void clickedData(const QVariant &data);

protected:
    void mousePressEvent(QMouseEvent *event) override;

private:
    bool connectSlot(
        const char *signal, const QObject *receiver, const char *slot, Qt::ConnectionType type);
    void enableClick();

    QVariant m_data;
    bool m_clickEnabled = true;
};
