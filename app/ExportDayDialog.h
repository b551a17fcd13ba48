#pragma once

#include <QDate>
#include <QDialog>
#include <QString>

class QDateEdit;
class QLineEdit;

/// Asks which day of the project to export as a daily log and to which PDF file: a date (today
/// by default) and a file name that follows the date until the user picks one with "Browse...".
class ExportDayDialog : public QDialog
{
    Q_OBJECT
public:
    ExportDayDialog(const QString &prjName, QWidget *parent);

    QDate day() const;
    QString path() const;

private slots:
    void onDateChanged(const QDate &day);
    void onBrowse();

private:
    QString m_prjName;
    QDateEdit *m_dateEdit = nullptr; // child
    QLineEdit *m_pathEdit = nullptr; // child
    bool m_pathChosen = false; // the user named the file: a new date keeps it
};
