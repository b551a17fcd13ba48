#pragma once

#include "items/AbsContentWdt.h"

class KMLabel;

/// Content of a plain notice: the record's "text", word-wrapped, as plain text. GUI thread only.
class PlainTextWdt : public AbsContentWdt
{
    Q_OBJECT
public:
    PlainTextWdt(const QVariantHash &content, QWidget *parent);

    void initContent() override;

protected:
    /// For subclasses whose text is composed by the library in another format.
    PlainTextWdt(const QVariantHash &content, Qt::TextFormat format, QWidget *parent);

    KMLabel *m_textLbl = nullptr; // child; null while there is no text

private:
    const Qt::TextFormat m_textFormat = Qt::PlainText;
};
