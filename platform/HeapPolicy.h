#pragma once

#include <cstddef>

namespace tesselvane {

// Makes freed picture buffers go back to the system at once. Called first thing, before any
// thread starts: a resident program that handles a large picture now and then must not keep
// the largest one it ever saw.
void keepHeapCompact();

// A malloc'd block (free with free()) for the pixels of a picture, asked to be backed by large
// pages where the system offers them: filling a picture's worth of fresh small pages costs
// more than writing the picture. nullptr when memory is short.
void* mallocForPicture(std::size_t size);

// Gives the whole pages within [from, from + size) back to the system, for a block that is
// read once, back to front, and then freed: what is behind the reading need not stay. What
// was there reads as zeros afterwards.
void releasePagesWithin(const void* from, std::size_t size);

}  // namespace tesselvane
