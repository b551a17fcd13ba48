#include "ExportDayCommand.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QEventLoop>
#include <QTextStream>

#include "export/DayLogExporter.h"
#include "samples/SampleProject.h"

namespace ExportDayCommand {

int run(const QString &date, const QString &path)
{
    QTextStream err(stderr);
    err.setCodec("UTF-8");
    const QDate day = QDate::fromString(date, QStringLiteral("yyyy-MM-dd"));
    if (!day.isValid() || path.isEmpty()) {
        err << QCoreApplication::translate("ExportDayCommand",
            "--export-day needs a date YYYY-MM-DD and the PDF file to write, as in "
            "--export-day 2026-11-02 log.pdf")
            << '\n';
        return 2;
    }

    DayLogExporter exporter;
    QEventLoop loop;
    QObject::connect(
        &exporter, &DayLogExporter::finished, &loop, [&loop](bool ok) { loop.exit(ok ? 0 : 1); });
    exporter.exportDay(SampleProject::projectId(), SampleProject::members().constFirst().userId(),
        SampleProject::projectName(), day, path);
    if (loop.exec() != 0) {
        err << "dynfeed_demo: " << exporter.errorString() << '\n';
        return 1;
    }
    QTextStream out(stdout);
    out.setCodec("UTF-8");
    out << QCoreApplication::translate(
        "ExportDayCommand", "Wrote the daily log of %1 (%2 records) to %3")
               .arg(day.toString(Qt::ISODate), QString::number(exporter.recordCount()),
                   QDir::toNativeSeparators(path))
        << '\n';
    return 0;
}

} // namespace ExportDayCommand
