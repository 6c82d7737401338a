#pragma once
// The logical structure of tagged inputs: the merged document gets one structure tree holding
// every input's elements in input order, one parent tree with a key range per input, and
// identifiers, roles and classes renamed where a later input's would clash.

#include "merge/DocumentMerge.h"

#include <memory>

std::unique_ptr<MergeStep> MakeStructTree();
