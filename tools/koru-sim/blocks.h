// Blocks of steps: `repeat N` ... `end` plays the steps between the two
// markers N times, for long scenarios such as soaks. The markers are verbs
// of their own, so the file is validated line by line as usual; the blocks
// are then unrolled into the plain steps they stand for, each copy labelled
// with its round so that a failure says which round it was.
#pragma once

#include "script.h"
#include "verbs.h"

namespace koru::scn {

void AddBlockVerbs(VerbTable& table);

// Unrolls every block of `script`, nested ones included. A marker without
// its partner is a problem of the file.
void UnrollBlocks(Script& script);

}  // namespace koru::scn
