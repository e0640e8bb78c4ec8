// The nesting of copy batches (files.h): the end of the outermost one
// removes the work folders, which are each side's.
#include "runtime/copy_rules.h"
#include "runtime/files.h"

namespace rt {
namespace {

int openBatches = 0;

}  // namespace

CopyBatch::CopyBatch() {
  ++openBatches;
}

CopyBatch::~CopyBatch() {
  if (--openBatches == 0) RemoveWorkFolders();
}

}  // namespace rt
