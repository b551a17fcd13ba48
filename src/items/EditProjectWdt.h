#pragma once

#include "items/PlainTextWdt.h"

class KMButton;

/// Content of a project-information edit: the information as the library composed it (rich
/// text whose values are escaped) and a "More" button that asks the host for the whole project
/// information. GUI thread only.
class EditProjectWdt : public PlainTextWdt
{
    Q_OBJECT
public:
    EditProjectWdt(const QVariantHash &content, QWidget *parent);

    void initContent() override;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private slots:
    void onViewProjInfo();

private:
    KMButton *m_moreBtn = nullptr; // a free child, kept in the lower right corner
};
