#pragma once

#include "dynfeed_export.h"

#include <QDateTime>
#include <QFrame>
#include <QString>
#include <QVariantHash>

class AbsContentWdt;
class QHBoxLayout;
class QSpacerItem;
class QVBoxLayout;
class SummaryInfoWdt;
struct SDynData;

/// One record of the feed: the header on top and, indented past the avatar, the content widget
/// of the record's kind. Refilled with another record when the item page reuses it. GUI thread
/// only.
class DYNFEED_EXPORT SingleDynamicWdt : public QFrame
{
    Q_OBJECT
public:
    explicit SingleDynamicWdt(QWidget *parent);

    /// Fills the item from a record; the record is only read, not kept.
    void setDynData(const SDynData *record);
    /// The widget that holds the feed; handed to the content widget and to the host's calls.
    void setHostWidget(QWidget *hostWidget);
    QWidget *hostWidget() const;
    QDateTime dateTime() const;
    void updateTime();

    static void setCurrentUserId(const QString &userId);

    /// Reloads the avatar when uid is this item's author; the name is left as it is.
    void onUserInfoChanged(const QString &uid, const QString &name);
    /// False without content widget, else the content widget's answer.
    bool onSynTaskNotify(const QVariantHash &attachMap);
    void onUserHeaderDownloaded(const QString &userId, const QString &headerPath);

signals:
    void userInfoChanged(const QString &uid, const QString &name);
    void userHeaderDownloaded(const QString &userId, const QString &headerPath);

protected:
    bool event(QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    /// Replaces the content widget (deleting the old one); null leaves the item without one.
    void setContentWdt(AbsContentWdt *content);
    void layoutItem();
    /// The screen reader's name (author and summary) and description (relative time).
    void updateAccessibleText(const QString &summary);

    QVBoxLayout *m_mainLayout = nullptr; // installed on this item
    QHBoxLayout *m_contentRow = nullptr; // owned by m_mainLayout; only while there is content
    QSpacerItem *m_indentSpacer = nullptr; // owned by m_contentRow
    SummaryInfoWdt *m_header = nullptr; // children; Qt deletes them
    AbsContentWdt *m_content = nullptr;
    QWidget *m_hostWidget = nullptr; // not ours
    bool m_languageChanged = false; // heard while parked without a parent
    QString m_userId;
    QString m_userName;
    QString m_summary; // the record's summary line, for the accessible name
};
