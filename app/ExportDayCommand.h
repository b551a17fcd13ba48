#pragma once

#include <QString>

/// The demo's --export-day: writes the daily log of one day of the sample project, as its first
/// member sees it, to a PDF file, without a window.
namespace ExportDayCommand {

/// Exports date (YYYY-MM-DD) to path and says on the terminal what came of it. Returns the
/// process exit code: 0 when the log was written, 1 when it could not be, 2 for unusable
/// arguments. Runs its own event loop; a QApplication must exist.
int run(const QString &date, const QString &path);

} // namespace ExportDayCommand
