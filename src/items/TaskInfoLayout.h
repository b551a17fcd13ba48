#pragma once

#include <QHBoxLayout>

class KMLabel;
class QLabel;

/// One information row of a task: a 16 by 16 icon, then the word-wrapped text, then a fixed gap
/// of 100 pixels that keeps the text clear of the item's corner button. GUI thread only.
class TaskInfoLayout : public QHBoxLayout
{
    Q_OBJECT
public:
    /// objectName goes to the text label, which the style sheet finds by it. The labels are
    /// children of parent; the layout itself has none until it is added to another.
    TaskInfoLayout(const QString &objectName, QWidget *parent);

    void setText(const QString &text);
    /// The icon label shows the picture at path.
    void setIcon(const QString &path);
    KMLabel *textLabel() const { return m_textLbl; }

private:
    QLabel *m_iconLbl = nullptr; // the labels belong to the widget the row is laid out on
    KMLabel *m_textLbl = nullptr;
};
