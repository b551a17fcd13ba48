#pragma once

#include "dynfeed_export.h"

#include "views/VTFrame.h"

class KMButton;
class KMLineEdit;
class QHBoxLayout;
class QIntValidator;

/// The navigator's go-to box: a page-number field and a "Go to" button. It asks for a page only
/// when the field holds a number from 1 to the last page: an empty field, 0, letters, pasted
/// text, or a number typed while there were more pages than now ask for nothing.
/// Only the button asks: Enter in the field does nothing. GUI thread only.
class DYNFEED_EXPORT GotoPageFrm : public VTFrame
{
    Q_OBJECT
public:
    explicit GotoPageFrm(QWidget *parent);

    /// The field accepts 1 to lastPage; nothing while there is no page.
    void setLastPage(int lastPage);

signals:
    void gotoPage(int idx);

protected slots:
    void onGotoPage();

protected:
    void changeEvent(QEvent *event) override;

private:
    KMLineEdit *m_pageEdit = nullptr; // child
    QIntValidator *m_validator = nullptr; // child
    QHBoxLayout *m_layout = nullptr; // on the frame
    KMButton *m_gotoBtn = nullptr; // child
};
