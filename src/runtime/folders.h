// Folders made with their parents, over the runtime's one-folder functions.
#pragma once

#include <string>

namespace rt {

// Makes the folder `path` (a full path, "E:\Products\Quorvan") and every
// missing folder above it, top down. Raises when one cannot be made; the
// folders made before that stay.
void MakeFolders(const std::string& path);

}  // namespace rt
