#pragma once

#include <QString>

#include <array>
#include <memory>

#include "KMLabel.h"

class QTextLayout;

/// The feed items' text label: a KMLabel that measures plain text once per text, font and width
/// and paints from the same text layout, so that the many height-for-width and size-hint queries
/// of nested layouts cost next to nothing. A text that fits on its lines at a width needs no new
/// layout at all. Shows plain text by default; rich text keeps QLabel's measuring and painting,
/// with its heights cached. Text only (no pixmap or movie). GUI thread only.
class ItemLabel : public KMLabel
{
    Q_OBJECT
public:
    ItemLabel(const QString &objectName, QWidget *parent);
    ~ItemLabel() override;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    int heightForWidth(int width) const override;

protected:
    void changeEvent(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    struct Extras
    {
        int width = 0;
        int height = 0;
    };
    struct HeightAt
    {
        int textWidth = -1;
        int height = 0;
    };

    bool isPlain() const;
    /// Rebuilds the measurements when text, font, wrapping or alignment changed since.
    void ensureMeasured() const;
    void invalidate();
    /// Room that frame, margin and indent take around the text, as QLabel counts it.
    Extras extras() const;
    /// Height of the text block laid out at textWidth.
    int textHeightFor(int textWidth) const;
    /// The layout whose lines are painted at textWidth: the natural one when the text fits.
    const QTextLayout &layoutFor(int textWidth) const;
    int richHeightForWidth(int width) const;

    // Measuring happens inside const queries; everything below is a cache of the label's state.
    mutable QString m_measuredText;
    mutable bool m_measuredWrap = false;
    mutable int m_measuredAlignment = 0;
    mutable Qt::TextFormat m_measuredFormat = Qt::PlainText;
    mutable bool m_measured = false;
    mutable bool m_plain = true;
    mutable std::unique_ptr<QTextLayout> m_natural; // lines broken only where the text breaks
    mutable qreal m_naturalWidth = 0;
    mutable int m_naturalHeight = 0;
    mutable int m_minimumTextWidth = 0; // longest run that cannot be broken
    mutable std::unique_ptr<QTextLayout> m_wrapped; // the last width that needed wrapping
    mutable int m_wrappedWidth = -1;
    mutable int m_wrappedHeight = 0;
    mutable std::array<HeightAt, 4> m_heights; // text heights at recent widths, round robin
    mutable int m_nextHeight = 0;
};
