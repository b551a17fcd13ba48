#pragma once

#include <QLoggingCategory>

/// The daily log's writer and exporter.
Q_DECLARE_LOGGING_CATEGORY(lcDayLog)
