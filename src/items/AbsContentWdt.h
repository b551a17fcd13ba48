#pragma once

#include <QFrame>
#include <QVariantHash>

class QVBoxLayout;

/// Base of every content widget of a feed item: holds the record's content and extra maps and
/// offers the standard content layout. The factory builds it (initContent) before the item
/// reparents it and hands it the host widget. GUI thread only.
class AbsContentWdt : public QFrame
{
    Q_OBJECT
public:
    AbsContentWdt(const QVariantHash &content, QWidget *parent);

    /// Replaces the extra map; nothing is rebuilt until initContent.
    void setExtraData(const QVariantHash &extra);
    void setHostWidget(QWidget *hostWidget);
    QWidget *hostWidget() const;

    /// Builds (or rebuilds) the children from the content and extra maps. Must not rely on the
    /// host widget, which is set afterwards.
    virtual void initContent() = 0;
    /// Offered a task notification; true when this widget's record is the notified one and the
    /// notification has been handled. The default declines without looking.
    virtual bool onSynTaskNotify(const QVariantHash &attachMap);

protected:
    /// The content layout on this widget: margins 30, 20, 30, 20 and spacing 10.
    void createContentLayout();
    void addContentWidget(QWidget *widget);
    /// Takes the widget out of the content layout without deleting it.
    void removeContentWidget(QWidget *widget);
    /// Keeps a free child dx pixels left of the right edge and dy above the bottom edge; called
    /// from resizeEvent.
    void moveToBottomRight(QWidget *widget, int dx, int dy);

    QVariantHash m_content;
    QVariantHash m_extra;
    QVBoxLayout *m_contentLayout = nullptr; // on this widget; Qt deletes it
    QWidget *m_hostWidget = nullptr; // not ours: the widget that holds the feed
};
