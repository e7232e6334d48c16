// Work spread over the usable cores whose results are taken strictly in
// order: the raw files, each parsed on its own and then placed behind the
// records of the files before it; the blocks of cycles, each formatted on
// its own and then appended to the daily table behind the blocks before it.
#pragma once

#include <functional>

namespace converter {

// The number of working slots forEachInOrder uses: one per usable core.
int orderedSlots();

// For every piece 0..count-1, on up to `slots` threads:
// - prepare(piece, slot) on any thread, side by side with other pieces;
// - handOn(piece, slot), one piece at a time and strictly in piece order,
//   each after the hand-on of the piece before it: only one thread runs
//   under handOn at any time, so what it changes needs no locking;
// - finish(piece, slot), when given, after the piece's hand-on, side by side
//   with the hand-ons of the pieces after it (for work whose place the
//   hand-on has settled).
// `slot` (0..slots-1) is the piece's own working room from the start of its
// prepare to the end of its finish: no other piece has it meanwhile, so
// per-slot buffers need no locking.
//
// A hand-on that returns false makes every later piece unneeded: their
// prepare and hand-on are skipped (a piece that is not handed on is not
// finished either). When a prepare or hand-on throws, the later pieces are
// skipped likewise. Whatever throws, the exception is thrown again once
// every piece under way has ended: the one of the lowest piece, which a
// plain loop would have met first.
void forEachInOrder(long count, int slots, const std::function<void(long, int)>& prepare,
                    const std::function<bool(long, int)>& handOn,
                    const std::function<void(long, int)>& finish = {});

}  // namespace converter
