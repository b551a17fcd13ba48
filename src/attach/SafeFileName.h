#pragma once

// The rule lives with the host components, which the cloud store shares; angle brackets so that
// the include path, not this folder, finds it.
#include <SafeFileName.h>
