#pragma once

namespace quillmark {

// Registers the merge kinds (merge fields, address blocks) with the object factory and the
// group kinds, installs the merge fields inside text with the text engine, and installs the
// current database as the merge source of graphic objects. Call once at start-up (and in
// tests) before any document is read.
void registerMergeKinds();

} // namespace quillmark
