#include "schedule/powermgmt.h"

namespace {
TSystemCritical instance;
} // namespace

TSystemCritical* SystemCritical = &instance;
