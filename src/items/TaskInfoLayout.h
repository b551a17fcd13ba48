#pragma once

#include <QHBoxLayout>

class KMLabel;
class TaskRowLabel;

/// One information row of a task: a 16 by 16 icon and the word-wrapped text in one label (the
/// label draws the icon in its left margin: a label less per row), then a fixed gap of 100
/// pixels that keeps the text clear of the item's corner button. GUI thread only.
class TaskInfoLayout : public QHBoxLayout
{
    Q_OBJECT
public:
    /// objectName goes to the text label, which the style sheet finds by it. The label is a
    /// child of parent; the layout itself has none until it is added to another.
    TaskInfoLayout(const QString &objectName, QWidget *parent);

    void setText(const QString &text);
    /// The row shows the picture at path as its icon.
    void setIcon(const QString &path);
    KMLabel *textLabel() const;

private:
    TaskRowLabel *m_textLbl = nullptr; // belongs to the widget the row is laid out on
};
