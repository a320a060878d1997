#pragma once
// Registers the barcode kind of graphic object with the object factory. Call once at start-up
// (and in tests) before any document is read.

namespace quillmark {

void registerBarcodeKinds();

} // namespace quillmark
