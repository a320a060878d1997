#pragma once
// The one start-up registration of every kind a document may name: the graphic object
// kinds of each subsystem and the group kinds. The core is a static library, so nothing
// registers itself; the application and the tests that read documents call this.

namespace quillmark {

// Registers the object, group, barcode and merge-field kinds with their factories. Safe to
// call more than once: a later call replaces each creator with the same one.
void registerAllKinds();

} // namespace quillmark
