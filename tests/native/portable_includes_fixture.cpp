// Not compiled: what the portable layers' include check must refuse.
#include <string>
#include <windows.h>
#include "runtime/posix/drive_table.h"
