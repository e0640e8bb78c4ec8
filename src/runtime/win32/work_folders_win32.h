// Where copies on Windows are written before they take their names: a work
// folder of the copy's own in each destination folder (CopyBatch, files.h).
#pragma once

#include <windows.h>

#include <string>

namespace rt::win32 {

// A name that no earlier call of this process gave: "~setup<process>-<n>.tmp".
std::wstring NewTemporaryName();

// The folder, ending in '\', that copies into the folder `destination` (a
// full path ending in '\') are written in: the batch's work folder there,
// made and first swept of what killed copies left when the batch first
// copies into `destination`. `destination` itself when no folder can be
// made in it: the copy then fails, or succeeds, as it would there.
std::wstring WorkFolderIn(const std::wstring& destination);

}  // namespace rt::win32
