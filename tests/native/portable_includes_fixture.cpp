// Not compiled: what the portable layers' include check must refuse.
#include <windows.h>

#include <string>

#include "runtime/posix/drive_table.h"
