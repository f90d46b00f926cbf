#pragma once

namespace tesselvane {

// Makes freed picture buffers go back to the system at once. Called first thing, before any
// thread starts: a resident program that handles a large picture now and then must not keep
// the largest one it ever saw.
void keepHeapCompact();

}  // namespace tesselvane
