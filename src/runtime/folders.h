// Folders as the user names them: made full, and made with their parents,
// over the runtime's one-folder functions.
#pragma once

#include <string>

namespace rt {

// The full path of the folder `path`, as the file functions read it
// (windows_path::FullPath against the process's current folders):
// "E:\x\..\y" is "E:\y", "e:" the current folder of drive E:. Raises when
// the path is not valid, or when it names a drive's current folder and the
// drive is not ready.
std::string FullFolderPath(const std::string& path);

// Makes the folder `path` ("E:\Products\Quorvan") and every missing folder
// above it, top down, after making the path full. Raises when one cannot be
// made; the folders made before that stay.
void MakeFolders(const std::string& path);

}  // namespace rt
