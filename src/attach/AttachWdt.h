#pragma once

#include "dynfeed_export.h"

#include "items/AbsContentWdt.h"

class KMButton;
class KMLabel;

/// Content of an attachment record: the file's name and its size as text and, for a file that
/// was uploaded to the project, a "View" button that hands the file's id to the host.
/// GUI thread only.
class DYNFEED_EXPORT AttachWdt : public AbsContentWdt
{
    Q_OBJECT
public:
    AttachWdt(const QVariantHash &content, QWidget *parent);

    void initContent() override;

    /// The size as the row shows it: "0KB" to "1023KB" below one MiB, then "1.5MB", then
    /// "2.0GB", with one decimal; 0 or negative sizes give "0KB".
    static QString sizeText(int bytes);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

protected slots:
    void onViewFile();

private:
    KMLabel *m_nameLbl = nullptr; // child; null for a file without name
    KMLabel *m_infoLbl = nullptr; // child
    KMButton *m_viewBtn = nullptr; // a free child, kept in the lower right corner
};
