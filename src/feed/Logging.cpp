#include "feed/Logging_p.h"

Q_LOGGING_CATEGORY(lcFeed, "dynfeed.feed")
Q_LOGGING_CATEGORY(lcFiles, "dynfeed.files")
Q_LOGGING_CATEGORY(lcUi, "dynfeed.ui")
