#pragma once

#include <QHBoxLayout>
#include <QPointer>

class KMLabel;
class TaskRowLabel;

/// One information row of a task: a 16 by 16 icon, the word-wrapped text, then a fixed gap of
/// 100 pixels that keeps the text clear of the item's corner button; 10 pixels between them.
/// The text label draws the icon in its left margin (16 pixels and the 10 of the spacing): a
/// label less per row, and the icon stays with the first line of a long text. GUI thread only.
class TaskInfoLayout : public QHBoxLayout
{
    Q_OBJECT
public:
    /// objectName goes to the text label, which the style sheet finds by it. The label is a
    /// child of parent; the layout itself has none until it is added to another.
    TaskInfoLayout(const QString &objectName, QWidget *parent);
    /// Deletes the row's label with it.
    ~TaskInfoLayout() override;

    void setText(const QString &text);
    /// The row shows the picture at path as its icon.
    void setIcon(const QString &path);
    KMLabel *textLabel() const;

private:
    QPointer<TaskRowLabel> m_textLbl; // a child of the widget the row is laid out on
};
