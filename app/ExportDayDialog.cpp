#include "ExportDayDialog.h"

#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardPaths>

#include "SafeFileName.h"

ExportDayDialog::ExportDayDialog(const QString &prjName, QWidget *parent)
    : QDialog(parent)
    , m_prjName(prjName)
{
    setObjectName(QStringLiteral("ExportDayDialog"));
    setWindowTitle(tr("Export day"));

    m_dateEdit = new QDateEdit(QDate::currentDate(), this);
    m_dateEdit->setObjectName(QStringLiteral("ExportDayDialog_date"));
    m_dateEdit->setCalendarPopup(true);
    m_dateEdit->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    m_pathEdit = new QLineEdit(this);
    m_pathEdit->setObjectName(QStringLiteral("ExportDayDialog_path"));
    m_pathEdit->setMinimumWidth(360);
    auto *browse = new QPushButton(tr("Browse..."), this);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("Export"));

    auto *pathRow = new QHBoxLayout;
    pathRow->addWidget(m_pathEdit, 1);
    pathRow->addWidget(browse);
    auto *form = new QFormLayout(this);
    form->addRow(tr("Day"), m_dateEdit);
    form->addRow(tr("PDF file"), pathRow);
    form->addRow(buttons);

    connect(m_dateEdit, &QDateEdit::dateChanged, this, &ExportDayDialog::onDateChanged);
    connect(browse, &QPushButton::clicked, this, &ExportDayDialog::onBrowse);
    connect(m_pathEdit, &QLineEdit::textEdited, this, [this] { m_pathChosen = true; });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    onDateChanged(m_dateEdit->date());
}

QDate ExportDayDialog::day() const
{
    return m_dateEdit->date();
}

QString ExportDayDialog::path() const
{
    return m_pathEdit->text().trimmed();
}

void ExportDayDialog::onDateChanged(const QDate &day)
{
    if (m_pathChosen)
        return;
    QString dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty())
        dir = QDir::homePath();
    // The project's name may hold anything a message gave it.
    const QString name
        = safeFileName(QStringLiteral("%1 %2.pdf").arg(m_prjName, day.toString(Qt::ISODate)));
    m_pathEdit->setText(QDir::toNativeSeparators(QDir(dir).filePath(name)));
}

void ExportDayDialog::onBrowse()
{
    const QString chosen
        = QFileDialog::getSaveFileName(this, tr("Export day"), path(), tr("PDF files (*.pdf)"));
    if (chosen.isEmpty())
        return;
    m_pathEdit->setText(QDir::toNativeSeparators(chosen));
    m_pathChosen = true;
}
