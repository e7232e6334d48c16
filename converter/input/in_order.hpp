// Work spread over the usable cores whose results are taken strictly in
// order: the raw files, each parsed on its own and then placed behind the
// records of the files before it; the blocks of cycles, each formatted on
// its own and then appended to the daily table behind the blocks before it.
#pragma once

#include <functional>

namespace converter {

// The number of working slots forEachInOrder uses: one per usable core.
int orderedSlots();

// For every piece 0..count-1: prepare(piece, slot) on any thread, side by
// side with other pieces; then handOn(piece, slot), one piece at a time and
// strictly in piece order, each after the hand-on of the piece before it.
// `slot` (0..slots-1, slots = orderedSlots()) is a piece's own working room
// from the start of its prepare to the end of its hand-on: no other piece
// running at the same time has it, so per-slot buffers need no locking.
// Only one thread runs at a time under handOn, so what it changes needs no
// locking either.
//
// A hand-on that returns false makes every later piece unneeded: their
// prepare and hand-on are skipped. When a prepare or a hand-on throws, the
// later pieces are skipped likewise, and the exception is thrown again once
// every piece under way has ended: the one of the lowest piece, which a plain
// loop would have met first.
void forEachInOrder(long count, int slots, const std::function<void(long, int)>& prepare,
                    const std::function<bool(long, int)>& handOn);

}  // namespace converter
