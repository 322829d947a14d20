// Work on a sequence of batches spread over the processor's cores and handed on in
// order. The calling thread loads each batch (reads it, in order), helper threads work
// on the loaded batches at the same time (inflate, deflate, digest), and the calling
// thread hands each one on in order once its work is done (writes it, reports
// progress). Loading and handing on stay on the calling thread, so a progress callback
// that must run there (a window's) does. A fixed number of batches is held at once,
// their room reused, so memory stays the same whatever the number of batches.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "common/expected.h"

namespace quillon {

// The processor cores of the machine (at least 1).
unsigned processorCores();

// The steps of one batch. A batch's room (a slot) is handed to the steps by number;
// each slot holds one batch at a time.
struct OrderedSteps {
    // Loads batch `batch` into `slot`; on the calling thread, in order.
    std::function<Status(std::size_t batch, std::size_t slot)> load;
    // Works on the batch in `slot`; on a helper thread, beside other slots' work.
    std::function<Status(std::size_t slot)> work;
    // Hands on batch `batch` from `slot`; on the calling thread, in order.
    std::function<Status(std::size_t batch, std::size_t slot)> handOn;
};

// The slots that a run over `threads` threads uses: 1 for one thread (each batch is
// loaded, worked on and handed on before the next is loaded), else two per thread (so
// that no helper waits while a batch is being handed on).
std::size_t orderedSlots(unsigned threads);

// Runs the steps over `batches` batches with `threads` helper threads (1: all on the
// calling thread). A failure stops the run: the first one in the order of the batches
// is given back (a failure to load or work on a batch only when every batch before it
// was handed on), and no batch after the failing one is handed on.
Status runOrdered(std::size_t batches, unsigned threads, const OrderedSteps& steps);

// The same over batches of type `Batch`, made as slots here: `load(batch, room)`,
// `work(room)`, `handOn(batch, room)`.
template <typename Batch, typename Load, typename Work, typename HandOn>
Status runOrderedBatches(std::size_t batches, unsigned threads, Load&& load, Work&& work, HandOn&& handOn) {
    std::vector<Batch> slots(orderedSlots(threads));
    return runOrdered(batches, threads,
                      {[&](std::size_t batch, std::size_t slot) { return load(batch, slots[slot]); },
                       [&](std::size_t slot) { return work(slots[slot]); },
                       [&](std::size_t batch, std::size_t slot) { return handOn(batch, slots[slot]); }});
}

}  // namespace quillon
